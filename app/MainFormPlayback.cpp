#include <QAction>
#include <QMessageBox>
#include <QTimer>

#include "app/TMainForm.h"
#include "interaction/QtMediaDevice.h"

namespace tonalyx {

namespace {

constexpr int kPlayTimerInterval = 50;  // ms between play-cursor moves of a right-button play

}  // namespace

void TMainForm::SetMediaDeviceFactory(MediaDeviceFactory factory) {
    if (mediaPlayer_) ClosePlayer();
    mediaPlayer_.reset();
    mediaDeviceFactory_ = std::move(factory);
    if (fileOpen_ && !audioDisabled_) OpenPlayer();
}

// The device is made on the first open and opened on every file read. An open that fails (no
// audio output) is not reported here: the first attempt to play says so.
void TMainForm::OpenPlayer() {
    if (!mediaPlayer_) {
        mediaPlayer_ =
            mediaDeviceFactory_ ? mediaDeviceFactory_() : std::make_unique<QtMediaDevice>();
    }
    mediaPlayer_->Open(sound_);
}

void TMainForm::ClosePlayer() {
    if (!mediaPlayer_) return;
    switch (mediaPlayer_->Mode()) {
        case MediaMode::Playing:
        case MediaMode::Recording:
        case MediaMode::Seeking:
        case MediaMode::Paused:
            mediaPlayer_->Stop();
            mediaPlayer_->Close();
            break;
        case MediaMode::Stopped:
        case MediaMode::Open:
            mediaPlayer_->Close();
            break;
        case MediaMode::NotReady:
            break;
    }
}

void TMainForm::StopPlaybackIfActive() {
    if (mediaPlayer_ && IsActiveMode(mediaPlayer_->Mode())) mediaPlayer_->Stop();
}

// Starts a play with its end notification. When the device cannot play, the user learns once
// per run what happened: there is no audio output, or there is one and it refused the stream.
bool TMainForm::StartPlay(int from, int to) {
    if (mediaPlayer_ &&
        mediaPlayer_->Play(from, to, [this](bool ranToEnd) { MediaPlayer_Notify(ranToEnd); })) {
        return true;
    }
    const bool noOutput = !mediaPlayer_ || mediaPlayer_->Mode() == MediaMode::NotReady;
    bool& reported = noOutput ? noOutputReported_ : playRefusalReported_;
    if (!reported) {
        reported = true;
        QMessageBox::warning(this, baseCaption_,
                             noOutput ? "No audio output device is available: playback is off."
                                      : "The audio output device refused to play this sound.");
    }
    return false;
}

void TMainForm::AAudioPlayExecute() {
    if (!fileOpen_ || audioDisabled_) return;
    const bool selected = selectionStart_ != selectionEnd_;
    const int from = selected ? selectionStart_ : 0;
    const int to = selected ? selectionEnd_ : sound_.sampleCount;
    playRequested_ = true;
    StartPlay(from, to);
}

// The repeat flag stays as it is: a later Play command decides anew.
void TMainForm::AAudioStopExecute() {
    if (!audioDisabled_) StopPlaybackIfActive();
}

// Only a play of the Play command that ran to its end repeats, and only while Auto Repeat is
// checked at that moment; it plays the selection as it is now.
void TMainForm::MediaPlayer_Notify(bool ranToEnd) {
    if (audioDisabled_) return;
    if (ranToEnd && playRequested_ && Action("AAudioAutoRepeat")->isChecked()) AAudioPlayExecute();
}

// A right press on the wave view plays from the first sample of the column under the mouse to
// the end of the sound, for as long as the button is held. It ends any repeating play for good.
void TMainForm::StartMousePlay(int x) {
    playRequested_ = false;
    if (audioDisabled_) return;
    StopPlaybackIfActive();
    if (!StartPlay(ColumnRangeAt(geometry_, x).start, sound_.sampleCount)) return;
    timer_->setInterval(kPlayTimerInterval);
    timer_->start();
}

// The cursor follows the playing sample; it vanishes while that sample is outside the view,
// which does not scroll after it.
void TMainForm::MovePlayCursor() {
    if (!audioDisabled_ && mediaPlayer_) DrawPlayCursor(mediaPlayer_->Position());
}

void TMainForm::EndMousePlay() {
    timer_->stop();
    if (!audioDisabled_) StopPlaybackIfActive();
    DrawPlayCursor(-1);
}

}  // namespace tonalyx
