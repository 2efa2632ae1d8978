#pragma once

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

#include "settings/ControlSettingsStore.h"
#include "settings/OverlaySettings.h"
#include "settings/SettingsRecords.h"

namespace tonalyx {

class PageControl;
class SettingsStore;

// The four settings records the dialog owns; consumers copy the one they need.
struct SettingsRecordSet {
    AnalysisSettings analysis;
    DisplaySettings display;
    ImageCopySettings imageCopy;
    FileSettings file;
};

// The non-modal, stay-on-top "Options" tool window. It owns the settings records and the stored
// snapshot of its controls. Apply rebuilds the records and asks the main window (through the
// apply handler) to recompute what the shown page concerns; RegisterAs&Default also stores the
// controls as the user's defaults. Close and Esc only hide it; the next ShowOptions restores
// the controls from the stored snapshot.
// The code Apply hands on for the overlays' page: recompute the overlays.
inline constexpr int kOverlayPageCode = 7;

class TOptionForm : public QDialog {
    Q_OBJECT
public:
    // The controls start from the snapshot stored under the program's key of the per-user store.
    explicit TOptionForm(QWidget* parent = nullptr);
    // The same on another store and key.
    TOptionForm(QWidget* parent, std::unique_ptr<SettingsStore> store, std::string keyPath);
    ~TOptionForm() override;

    const SettingsRecordSet& Settings() const { return records_; }
    // The overlays' settings as last applied, with the View toggles; kept in a group of their
    // own beside the snapshot (see OverlaySettings.h).
    const OverlaySettings& Overlay() const { return overlay_; }
    // Stores the View toggles at once, as the user turns an overlay on or off.
    void StoreOverlayToggles(bool showFormants, bool showIntensity);
    // The main window's ApplyAnalysisOptions: called by Apply with the shown page's code.
    void SetApplyHandler(std::function<void(int)> handler) { applyHandler_ = std::move(handler); }
    // Restores the controls from the snapshot and shows the dialog, unless it is shown already.
    void ShowOptions();

    void ApplyBtnClick();
    void CancelBtnClick();
    void DefaultBtnClick();
    // Refills the records from the controls; on a combo box text that is not a number, shows
    // the error and gives false (the records are filled up to that field).
    bool ReadSettings();
    // The error met when the stored defaults were read at creation, once: the main window shows
    // it when it starts. Empty when every stored value could be read.
    QString TakeStoredDefaultsError();
    // The code Apply hands on for the shown page: Display 0, FFT 1, AC 2, Cepstrum 3,
    // Liftering 4, MEM 5, Pitch 6, the overlays' page kOverlayPageCode; -1 for Graphics and
    // File, which recompute nothing.
    int ActivePageCode() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWindow();
    void FormCreate();
    void CaptureControls();
    void ApplyToControls();
    bool ReadSettingsQuietly(QString* error);
    // Reads the overlays' page into overlay; false, after saying why, when it is refused.
    bool ReadOverlayPage(OverlaySettings& overlay);
    // A click into an edit, or on the arrows, of the up-down beside a radio item selects it.
    void EditLMemSizeNClick();
    void LMemSizeNClick();
    void EditLChannelIDGClick();
    void LChannelIDGClick();
    void WatchUpDownBesideItem(const char* upDown, void (TOptionForm::*select)());

    PageControl* pages_ = nullptr;
    SettingsRecordSet records_;
    OverlaySettings overlay_;        // as applied
    OverlaySettings storedOverlay_;  // as stored: what the page shows when the dialog opens
    ControlSettingsStore store_;
    std::function<void(int)> applyHandler_;
    bool restoring_ = false;  // controls are being set from the snapshot, not by the user
    QString storedDefaultsError_;
};

}  // namespace tonalyx
