# Praat's side of bench/textgrid_vs_praat.py.
#   make FOLDER: synthetic vowels (KlattGrid, 16 kHz) with their TextGrid saved in the long, the
#       short and the UTF-16 form (a label that is not ASCII makes Praat write UTF-16), plus a
#       point tier.
#   list FILE OUT: every interval and point of the TextGrid as tab-separated rows (tier, kind,
#       index, start, end, label), times with 17 significant digits.
#   measure FOLDER OUT: F0 (To Pitch, 75-600 Hz), formants (To Formant (burg), 5 formants,
#       5000 Hz, 25 ms, 50 Hz) and intensity (To Intensity, 100 Hz) of vowels.wav, per labelled
#       interval of its TextGrid: mean F0, formant means, F1-F3 at the middle, energy mean dB.
# Listings hold what Praat writes: UTF-16 when a label is not ASCII.
# Usage: praat --run bench/textgrid.praat WHAT PATH OUT
form TextGrid
    word what make
    sentence path .
    sentence out out.tsv
endform
if what$ = "make"
    rate = 16000
    @pause: 0.2
    p1 = pause.r
    @vowel: "a", 0.4, 120, 800, 1200, 2500
    v1 = vowel.r
    @pause: 0.1
    p2 = pause.r
    @vowel: "i", 0.3, 180, 300, 2300, 3000
    v2 = vowel.r
    @pause: 0.1
    p3 = pause.r
    @vowel: "u", 0.35, 150, 350, 800, 2300
    v3 = vowel.r
    @pause: 0.2
    p4 = pause.r
    selectObject: p1, v1, p2, v2, p3, v3, p4
    whole = Concatenate
    Scale peak: 0.8
    Save as WAV file: path$ + "/vowels.wav"
    tg = To TextGrid: "vowels bell", "bell"
    @mark: 0.2, 0.4, "a", 2
    @mark: 0.7, 0.3, "i", 4
    @mark: 1.1, 1 / 3, "u", 6
    Insert point: 2, 0.45, "ding ""dong"""
    Insert point: 2, 1.2, ""
    Save as text file: path$ + "/vowels.TextGrid"
    Save as short text file: path$ + "/short.TextGrid"
    Set interval text: 1, 4, "i" + "ː ʃ"
    Save as text file: path$ + "/utf16.TextGrid"
elsif what$ = "list"
    tg = Read from file: path$
    writeFile: out$, ""
    tiers = Get number of tiers
    for t to tiers
        name$ = Get tier name: t
        isInterval = Is interval tier: t
        if isInterval
            n = Get number of intervals: t
            for i to n
                s = Get start time of interval: t, i
                finish = Get end time of interval: t, i
                label$ = Get label of interval: t, i
                appendFileLine: out$, name$, tab$, "interval", tab$, i, tab$, fixed$(s, 17), tab$, fixed$(finish, 17), tab$, label$
            endfor
        else
            n = Get number of points: t
            for i to n
                s = Get time of point: t, i
                label$ = Get label of point: t, i
                appendFileLine: out$, name$, tab$, "point", tab$, i, tab$, fixed$(s, 17), tab$, fixed$(s, 17), tab$, label$
            endfor
        endif
    endfor
elsif what$ = "measure"
    sound = Read from file: path$ + "/vowels.wav"
    tg = Read from file: path$ + "/vowels.TextGrid"
    selectObject: sound
    pitch = To Pitch: 0, 75, 600
    selectObject: sound
    formant = To Formant (burg): 0, 5, 5000, 0.025, 50
    selectObject: sound
    intensity = To Intensity: 100, 0, "yes"
    writeFileLine: out$, "label", tab$, "f0_mean_hz", tab$, "intensity_mean_db", tab$, "f1_hz_mean", tab$, "f2_hz_mean", tab$, "f3_hz_mean", tab$, "f1_hz_at_50", tab$, "f2_hz_at_50", tab$, "f3_hz_at_50"
    selectObject: tg
    n = Get number of intervals: 1
    for i to n
        selectObject: tg
        label$ = Get label of interval: 1, i
        if label$ <> ""
            s = Get start time of interval: 1, i
            finish = Get end time of interval: 1, i
            selectObject: pitch
            f0 = Get mean: s, finish, "Hertz"
            selectObject: intensity
            db = Get mean: s, finish, "energy"
            line$ = label$ + tab$ + fixed$(f0, 6) + tab$ + fixed$(db, 6)
            selectObject: formant
            for f to 3
                value = Get mean: f, s, finish, "hertz"
                line$ = line$ + tab$ + fixed$(value, 6)
            endfor
            for f to 3
                value = Get value at time: f, (s + finish) / 2, "hertz", "linear"
                line$ = line$ + tab$ + fixed$(value, 6)
            endfor
            appendFileLine: out$, line$
        endif
    endfor
endif

procedure vowel: .name$, .dur, .f0, .f1, .f2, .f3
    .k = Create KlattGrid from vowel: .name$, .dur, .f0, .f1, 60, .f2, 80, .f3, 100, 3500, 0.05, 1000
    .s = To Sound
    .r = Resample: rate, 50
    removeObject: .k, .s
endproc

procedure pause: .dur
    .r = Create Sound from formula: "sil", 1, 0, .dur, rate, "0"
endproc

procedure mark: .start, .dur, .label$, .interval
    Insert boundary: 1, .start
    Insert boundary: 1, .start + .dur
    Set interval text: 1, .interval, .label$
endproc
