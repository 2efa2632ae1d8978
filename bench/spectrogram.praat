# Praat's spectrogram as the benchmarks run it against tonalyx-cli levels --fit: To Spectrogram
# with 2048-sample Hanning windows at 44.1 kHz from 0 to 1000 Hz, the time step giving about the
# number of frames asked for, on the first channel; the spectrogram saved to OUT and its number
# of frames to OUT.frames.
# Usage: praat --run bench/spectrogram.praat SOUND FRAMES OUT
form Spectrogram
    sentence path sound.wav
    integer frames 1920
    sentence out spectrogram.bin
endform
sound = Read from file: path$
channels = Get number of channels
if channels > 1
    sound = Extract one channel: 1
endif
duration = Get total duration
spectrogram = To Spectrogram: 2048 / 44100, 1000, duration / frames, 20, "Hanning (sine-squared)"
Save as binary file: out$
made = Get number of frames
writeFileLine: out$ + ".frames", made
