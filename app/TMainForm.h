#pragma once

#include <QMainWindow>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "analysis/LevelImage.h"
#include "analysis/SpectrogramEngine.h"
#include "analysis/ViewGeometry.h"
#include "app/AnnotationPane.h"
#include "app/FileIdentity.h"
#include "display/AxisScale.h"
#include "display/CompositeLayout.h"
#include "display/OverlayMapping.h"
#include "display/PaletteBitmap.h"
#include "display/SpectrumPlot.h"
#include "document/RecentFileList.h"
#include "document/SoundData.h"
#include "interaction/MediaDevice.h"
#include "interaction/MouseRouting.h"
#include "interaction/Selection.h"
#include "settings/OverlaySettings.h"
#include "settings/QtSettingsStore.h"
#include "settings/SettingsRecords.h"

class QAction;
class QFrame;
class QImage;
class QKeyEvent;
class QLabel;
class QMenu;
class QPrinter;
class QScrollBar;
class QTimer;
class QToolBar;

namespace tonalyx {

class HelpWindow;
class OverlayMeasurements;
struct FormantTable;
struct IntensityTable;
namespace requests {
class TableWriter;
}
class PaintBox;
class TAboutBox;
class TFreqForm;
class TOptionForm;
struct ShownSpectrogram;

// The application's main window: the wave view above the spectrogram on one time axis, the
// menus, tool bar and status bar, and the document state. Its operations are spread over a few
// source files by subject (file handling, geometry, views, actions).
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // The other start-up windows, created after this one; the main window places and moves them.
    void AttachWindows(TFreqForm* freqForm, TOptionForm* optionForm, TAboutBox* aboutBox);
    // The program-wide command-line text, read once at the first paint.
    void SetCommandLineText(const QString& text) { commandLineText_ = text; }

    bool OpenFile(const QString& path);
    // What the open changed in the sound shown, as the hint panel says it between hints.
    const QString& OpenNoteText() const { return openNote_; }
    bool CloseFile();
    void ResetView();
    void UpdateActionStates();
    void ReportStoredDefaultsError();
    void InitializeOnFirstPaint();
    void FollowMove();
    // Puts the power-spectrum window beside or below this window where it fits on the screen,
    // clear of this window and of the options dialog; unless always, only when it is off the
    // screen or over this window.
    void PlaceSpectrumWindow(bool always);
    void OpenDroppedFile(const QStringList& names);
    void UpdateGeometry(GeometryChange change);
    void UpdateFitCheck();
    // Reloads the recent-file list and shows it in the Reopen submenu.
    void UpdateReopenMenu();

    // Analysis: compute the kind over the view, render it, show the time taken.
    void RunAnalysis(int kind);
    void ComputeSpectrogram(int kind);
    void RenderSpectrogram();
    // Apply of the options dialog: a kind's page recomputes it, the display page re-renders.
    void ApplyAnalysisOptions(int kind);
    void ShowProgress(double fraction);
    // The pitch track of the whole sound, from the options dialog's pitch settings.
    void ComputePitchTrack();
    const std::vector<double>& PitchTrackValues() const { return pitchTrack_; }

    // Cursor lines over the views; drawing one twice removes it.
    void DrawCrossHair();
    void DrawPlayCursor(int position);
    int PlayCursorX() const { return playCursorX_; }

    // Playback (MainFormPlayback.cpp). The device is made by the factory when a file is first
    // opened with audio allowed; without a factory it is the platform's default audio output.
    using MediaDeviceFactory = std::function<std::unique_ptr<MediaDevice>()>;
    void SetMediaDeviceFactory(MediaDeviceFactory factory);
    void StopPlaybackIfActive();
    void ClosePlayer();
    bool PlayRequested() const { return playRequested_; }

    // Mouse on the views: the wave selection, the column selection, the spectrum window.
    void StartSelection(int x);
    bool ExtendSelection(int x);
    void StartColumnSelection(int x);
    void ExtendColumnSelection(int x);
    void ShowSpectrumWindow();
    // The power-spectrum plot at the painter's origin; its cursor from a plot position.
    void DrawSpectrum(QPainter& painter);
    void SetSpectrumCursor(int x, int y);
    SampleSpan Selection() const { return {selectionStart_, selectionEnd_}; }
    ColumnSelection SpectrogramColumnSelection() const {
        return {columnSelectionStart_, columnSelectionEnd_};
    }

    // Image export (MainFormExport.cpp): the composite of the chosen views with their axes, and
    // the commands that save, copy and print it. A null image means there is nothing to export.
    QImage RenderComposite();
    void SaveImage(const QString& path, bool askName);
    // The save and print dialogs sit behind prompts that tests may replace. The save prompt
    // returns the chosen name, "" when cancelled; the print prompt sets up the printer and
    // returns false when cancelled. Without a prompt the platform's dialog runs.
    using SaveNamePrompt = std::function<QString(const QString& suggestedName)>;
    using PrintPrompt = std::function<bool(QPrinter& printer)>;
    void SetSaveNamePrompt(SaveNamePrompt prompt) { saveNamePrompt_ = std::move(prompt); }
    void SetPrintPrompt(PrintPrompt prompt) { printPrompt_ = std::move(prompt); }

    // Data export (MainFormDataExport.cpp): the pitch track and the spectrogram's levels as CSV
    // files, the power spectrum as text on the clipboard. The name prompt, which tests may
    // replace, offers the file types (the first one chosen at the start) and returns the chosen
    // file name, "" when cancelled, with the index of the chosen type; without one the
    // platform's dialog runs.
    struct ExportChoice {
        QString path;
        int type = 0;
    };
    using ExportNamePrompt = std::function<ExportChoice(
        const QString& title, const QString& suggestedName, const QStringList& types)>;
    void SetExportNamePrompt(ExportNamePrompt prompt) { exportNamePrompt_ = std::move(prompt); }

    // The formant and intensity overlays (MainFormOverlays.cpp): their tables of the open sound
    // once measured for the settings last asked for, none before; whether one is on its way.
    const FormantTable* OverlayFormants() const;
    const IntensityTable* OverlayIntensity() const;
    bool OverlaysBusy() const;

    // Annotations (MainFormAnnotations.cpp): a TextGrid shown in the tier strip under the
    // spectrogram and edited there. The prompt, which tests may replace, asks for a tier's name
    // or a file name ("" when cancelled); without one the platform's dialog runs.
    enum class AnnotationQuestion { OpenName, SaveName, NewTierName, TierName };
    using AnnotationPrompt =
        std::function<QString(AnnotationQuestion question, const QString& suggested)>;
    void SetAnnotationPrompt(AnnotationPrompt prompt);
    bool OpenAnnotations(const QString& path);
    bool SaveAnnotations(const QString& path);
    const AnnotationEditor* Annotations() const;  // null when none are open
    QString AnnotationsFileName() const;

    QAction* Action(const QString& name) const;
    const SoundData& Sound() const { return sound_; }
    const ViewGeometry& Geometry() const { return geometry_; }
    bool IsFileOpen() const { return fileOpen_; }
    const QString& FileName() const { return fileName_; }
    int AnalysisKind() const { return analysisKind_; }
    const SpectrogramEngine& Engine() const { return engine_; }
    const PaletteBitmap& SpectrogramBitmap() const { return paletteBitmap_; }
    QString StatusText(int panel) const;
    bool FirstPaintDone() const { return firstPaintDone_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Window construction.
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreatePanels();
    void CreateStatusBar();
    void ConnectActionHandlers();
    QAction* AddAction(const char* name);

    // Status bar and hints.
    void SetStatusText(int panel, const QString& text);
    void ShowHint(const QString& hint);
    // Says in the hint panel, between hints, and in its tool tip, what the open changed in
    // the sound: a cut to the Max length of sound, a damaged file read partway, another channel.
    void ShowOpenNote();
    // True, after saying why, when target is the open sound file under whatever name (another
    // spelling, a symbolic or hard link): no output of the window ever replaces it.
    bool RefuseToReplaceSound(const QString& target);

    // Axes.
    void SetTimeAxis(AxisScale& axis);
    void DrawWaveTimeAxis(QPainter& painter);
    void DrawWaveAmplitudeAxis(QPainter& painter);
    void DrawSpgmTimeAxis(QPainter& painter);
    void DrawSpgmFrequencyAxis(QPainter& painter);
    void DrawSpectrumFrequencyAxis(QPainter& painter);
    void DrawSpectrumLevelAxis(QPainter& painter);
    void SetSpectrumLevelAxis();

    // Views.
    void ConnectPaintHandlers();
    void PaintBoxWavePaint(QPainter& painter);
    void PaintBoxSpgmPaint(QPainter& painter);
    void DrawSpectrogram(QPainter& painter);
    void SetFrequencyAxes();
    void ShowSpectrogramPanel(int imageHeight);
    void DrawWave(QPainter& painter);
    void RepaintWaveViews();
    void HorzScrollBarScroll(int action);
    void HorzScrollBarChange(int position);
    void ApplyScrollBarState();
    int WaveViewWidth() const;

    // Mouse handling (MainFormMouse.cpp) and the spectrum plot (MainFormSpectrum.cpp).
    void CreateMouseHandling();
    void FormMouseMove(QMouseEvent* event);
    void FormMouseUp(QMouseEvent* event);
    void PaintBoxWaveMouseDown(MouseButton button, int x, int y);
    void PaintBoxWaveMouseMove(int x, int y);
    void PaintBoxWaveMouseUp(MouseButton button, int x, int y);
    void TimerTimer();
    // The right button's play on the wave view: press, timer tick, release.
    void StartMousePlay(int x);
    void MovePlayCursor();
    void EndMousePlay();
    void PaintBoxSpgmMouseDown(MouseButton button, int x, int y);
    void PaintBoxSpgmMouseMove(int x, int y);
    void PaintBoxSpgmMouseUp(MouseButton button, int x, int y);
    void SetSpectrogramCursor(int x, int y);
    void FitReadoutPanels();
    bool SpectrumCursorShown() const;
    void AttachSpectrumWindow();
    void FitSpectrumWindow();
    void PaintBoxFreqPaint(QPainter& painter);
    void RepaintSpectrumPlot();

    // The Reopen submenu (MainFormRecent.cpp): item N opens entry N of the list.
    void ConnectReopenMenu();
    void PopUpReopenMenu();
    void OpenRecentFile(int index);
    void History0ItemClick();
    void History1ItemClick();
    void History2ItemClick();
    void History3ItemClick();
    void History4ItemClick();
    void History5ItemClick();
    void History6ItemClick();
    void History7ItemClick();

    // Commands.
    void AFileOpenExecute();
    void AFileCloseExecute();
    void AFileExitExecute();
    void AViewFitToWindowExecute();
    void AViewHideSpectrogramExecute();
    void AViewShowPitchOverlayExecute();
    void AOptionsExecute();
    void AHelpContentsExecute();
    void AHelpSearchExecute();
    void AHelpHelpExecute();
    void AHelpAboutExecute();
    HelpWindow* Help();
    void AFileSaveExecute();
    void AFileSaveAsExecute();
    void AEditCopyExecute();
    void AFilePrintExecute();
    void AFilePrinterSettingsExecute();
    bool CompositeAvailable() const;
    QPrinter& Printer();
    void OpenPlayer();
    bool StartPlay(int from, int to);
    void AAudioPlayExecute();
    void AAudioStopExecute();
    void MediaPlayer_Notify(bool ranToEnd);

    // Document state.
    QString baseCaption_;
    QString fileName_;
    QString openNote_;  // what the last open changed in the sound; empty when nothing
    std::optional<FileIdentity> soundIdentity_;  // the file the open sound was read from
    const std::string settingsKey_{kSettingsKey};
    RecentFileList recentFiles_{std::make_unique<QtSettingsStore>(), settingsKey_};
    bool fileOpen_ = false;
    bool playRequested_ = false;
    bool scrollPending_ = false;
    bool audioDisabled_ = false;
    bool firstPaintDone_ = false;
    bool pitchOverlay_ = false;
    int analysisKind_ = 0;
    int playCursorX_ = -1;
    int spgmCursorX_ = 0;
    int spgmCursorY_ = 0;
    bool crossHairShown_ = false;
    int progressShown_ = -1;
    int selectionStart_ = 0;
    int selectionEnd_ = 0;
    int columnSelectionStart_ = 0;
    int columnSelectionEnd_ = 0;
    ViewGeometry geometry_;
    AxisScale waveTimeScale_;
    AxisScale waveAmplitudeScale_;
    AxisScale spgmTimeScale_;
    AxisScale spgmFreqScale_;
    AxisScale freqXScale_;
    AxisScale freqYScale_;
    SoundData sound_;
    SpectrogramEngine engine_;
    // The view the stored columns were computed for: rendering and the spectrogram's time
    // axis follow it, not later scrolling or zooming.
    ViewGeometry analysisGeometry_;
    LevelImage levelImage_;
    std::vector<double> levelColumn_;
    PaletteBitmap paletteBitmap_;
    std::vector<double> pitchTrack_;
    int pitchStep_ = 1;
    AnalysisSettings analysisSettings_;
    DisplaySettings displaySettings_;
    FileSettings fileSettings_;
    ImageCopySettings imageCopySettings_;
    QString commandLineText_;
    bool moveRemembered_ = false;
    QPoint rememberedPosition_;

    // Mouse state: the capture router, the drag timer, the drags in progress.
    MouseRouting mouseCapture_{this};
    QTimer* timer_ = nullptr;
    // The media device, and whether a missing audio output has been reported (once per run).
    MediaDeviceFactory mediaDeviceFactory_;
    std::unique_ptr<MediaDevice> mediaPlayer_;
    bool noOutputReported_ = false;
    bool playRefusalReported_ = false;  // a refused play was said once
    int waveDragX_ = 0;
    WaveSelectionDrag waveDrag_;
    ColumnSelectionDrag columnDrag_;
    std::vector<int> plotHeights_;
    std::vector<PlotStroke> plotStrokes_;

    // Image export: the printer the print commands share, made at first use (a shared_ptr, as
    // QPrinter is only declared here), and the replaceable dialog prompts.
    std::shared_ptr<QPrinter> printer_;
    SaveNamePrompt saveNamePrompt_;
    PrintPrompt printPrompt_;

    // Companion windows (owned by the application; they live as long as this window).
    TFreqForm* freqForm_ = nullptr;
    TOptionForm* optionForm_ = nullptr;
    TAboutBox* aboutBox_ = nullptr;
    HelpWindow* helpWindow_ = nullptr;

    // Controls.
    std::map<QString, QAction*> actions_;
    QToolBar* toolBar_ = nullptr;
    QMenu* reopenMenu_ = nullptr;
    std::array<QAction*, 8> historyItems_{};
    QFrame* panelWave_ = nullptr;
    PaintBox* paintBoxWave_ = nullptr;
    PaintBox* paintBoxWaveX_ = nullptr;
    PaintBox* paintBoxWaveY_ = nullptr;
    QFrame* panelSpgm_ = nullptr;
    PaintBox* paintBoxSpgm_ = nullptr;
    PaintBox* paintBoxSpgmX_ = nullptr;
    PaintBox* paintBoxSpgmY_ = nullptr;
    QScrollBar* horzScrollBar_ = nullptr;
    std::array<QLabel*, 6> statusPanels_{};

    // Data export (MainFormDataExport.cpp).
    void AddDataExportItems(QMenu* fileMenu, QMenu* editMenu);
    void ConnectDataExportHandlers();
    void UpdateDataExportStates();
    void AFileExportSpectrogramExecute();
    void AFileExportPitchExecute();
    void AEditCopySpectrumExecute();
    ShownSpectrogram Shown();
    ExportChoice AskExportName(const QString& title, const QString& suggestedName,
                               const QStringList& types);
    bool WriteExportFile(const QString& path, const std::string& text);
    ExportNamePrompt exportNamePrompt_;

    // Annotations (MainFormAnnotations.cpp).
    void CreateTierStrip();
    void AddAnnotationItems(QMenu* fileMenu, QMenu* editMenu);
    void UpdateAnnotationStates();
    void OpenAnnotationsBeside(const QString& soundPath);
    // True when the annotations may go: nothing unsaved, or the user saved or discarded it.
    bool MayDropAnnotations();
    void CloseAnnotations();
    void AnnotationsChanged();
    void FitTierStrip();
    void RepaintTierStrip();
    bool SaveAnnotationsAsked(bool askName);
    bool TierStripKey(QKeyEvent* event);
    StripTimeMap TierTimeMap() const;
    void ApplyStripOutcome(const StripOutcome& outcome);
    void SelectAnnotationStretch(double start, double end);
    void SetAnnotationCursor(int sample);
    void DrawTierStripInComposite(QImage& image, const CompositeLayout& layout);
    QString AskAnnotationText(AnnotationQuestion question, const QString& suggested);
    void AddTier(TierKind kind);
    std::unique_ptr<AnnotationPane> annotations_;
    AnnotationPrompt annotationPrompt_;
    // Formant and intensity overlays (MainFormOverlays.cpp).
    void CreateOverlays();
    void RestoreOverlayToggles();
    void UpdateOverlayStates();
    void ToggleOverlay(bool& shown, const char* action);
    void AViewOverlayFormantsExecute();
    void AViewOverlayIntensityExecute();
    OverlaySettings OverlayChoice() const;
    // True, after saying why in the hint panel, when the time step is shorter than a sample.
    bool OverlayStepRefused(const OverlaySettings& settings);
    void MeasureOverlays();
    void OverlayMeasured(const QString& failure);
    void ClearOverlays();
    void ApplyOverlayOptions();
    ImageColumns OverlayColumns() const;
    void DrawOverlays(QPainter& painter);
    void ShowOverlayReadout();
    template <typename Table, typename Write>
    void ExportMeasurement(const char* title, const char* suffix,
                           const std::function<Table()>& measure, Write write);
    void AFileExportFormantsExecute();
    void AFileExportIntensityExecute();
    OverlayMeasurements* overlayMeasurements_ = nullptr;
    QLabel* overlayReadout_ = nullptr;
    AxisScale intensityScale_;
    bool showFormants_ = false;
    bool showIntensity_ = false;
    bool overlaySoundSet_ = false;  // the measurements hold the open sound
    bool overlayProgress_ = false;  // panel 4 shows the measurements' progress bar
    QString overlayProgressCover_;  // what panel 4 showed before it
};

}  // namespace tonalyx
