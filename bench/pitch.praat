# Praat's pitch analysis as the benchmarks run it against tonalyx-cli pitch: To Pitch (ac) over
# the given range, the F0 of every frame (0 where unvoiced) saved as one line of numbers. The
# objects are removed again, so a script may run this over many files in one Praat process.
# Usage: praat --run bench/pitch.praat SOUND OUT FLOOR CEILING
form Pitch
    sentence path sound.wav
    sentence out pitch.txt
    positive floor 80
    positive ceiling 640
endform
sound = Read from file: path$
pitch = To Pitch (ac): 0, floor, 15, "no", 0.03, 0.45, 0.01, 0.35, 0.14, ceiling
matrix = To Matrix
Save as headerless spreadsheet file: out$
removeObject: sound, pitch, matrix
