# Praat's formants and intensity as the formant benchmarks compare them with Tonalyx: To Formant
# (burg) with 5 formants, a 5500 Hz ceiling, a 25 ms window and pre-emphasis from 50 Hz, every
# frame's formants saved as a comma-separated table; To Intensity from 100 Hz with the mean
# subtracted, every frame's time and dB saved likewise. STEP 0 takes Praat's default steps.
# WHAT is "formants", "intensity" or "both"; OUT_PREFIX "none" computes without saving (timing).
# Usage: praat --run bench/formants.praat SOUND OUT_PREFIX STEP WHAT
form Formants
    sentence path sound.wav
    sentence out out
    real step 0
    word what both
endform
sound = Read from file: path$
if what$ = "formants" or what$ = "both"
    selectObject: sound
    formant = To Formant (burg): step, 5, 5500, 0.025, 50
    if out$ <> "none"
        table = Down to Table: "no", "yes", 6, "no", 3, "yes", 3, "yes"
        Save as comma-separated file: out$ + ".formants.csv"
        removeObject: table
    endif
    removeObject: formant
endif
if what$ = "intensity" or what$ = "both"
    selectObject: sound
    intensity = To Intensity: 100, step, "yes"
    n = Get number of frames
    if out$ = "none"
        n = 0
    else
        writeFileLine: out$ + ".intensity.csv", "time,db"
    endif
    for i to n
        t = Get time from frame number: i
        v = Get value in frame: i
        appendFileLine: out$ + ".intensity.csv", fixed$(t, 6), ",", fixed$(v, 6)
    endfor
    removeObject: intensity
endif
removeObject: sound
