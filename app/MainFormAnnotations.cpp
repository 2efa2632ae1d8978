#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

#include "annotations/TextGridReader.h"
#include "app/TMainForm.h"
#include "display/RgbBitmap.h"
#include "display/TFreqForm.h"
#include "display/TierStrip.h"
#include "interaction/Readouts.h"
#include "requests/TextGridFiles.h"

namespace tonalyx {

namespace {

struct AnnotationActionEntry {
    const char* name;
    const char* caption;
    const char* shortcut;
    const char* hint;
};

constexpr AnnotationActionEntry kAnnotationActions[] = {
    {"AFileOpenAnnotations", "Open A&nnotations...", "", "open TextGrid annotations"},
    {"AFileSaveAnnotations", "Save Annotat&ions", "Ctrl+Shift+S", "save annotations"},
    {"AFileSaveAnnotationsAs", "Save Annotations As...", "", "save annotations as specified name"},
    {"AFileCloseAnnotations", "C&lose Annotations", "", "close annotations"},
    {"AEditUndo", "&Undo", "Ctrl+Z", "undo the last annotation edit"},
    {"AEditRedo", "&Redo", "Ctrl+Y", "redo the annotation edit undone"},
    {"ATierAddBoundary", "Add &Boundary", "Return", "add a boundary at the cursor"},
    {"ATierRemoveBoundary", "Remove Bo&undary", "Alt+Backspace", "remove the selected boundary"},
    {"ATierAddInterval", "Add &Interval Tier...", "", "add an interval tier"},
    {"ATierAddPoint", "Add &Point Tier...", "", "add a point tier"},
    {"ATierRename", "Re&name Tier...", "", "rename the focused tier"},
    {"ATierRemove", "Re&move Tier", "", "remove the focused tier"},
};

QString QuestionTitle(TMainForm::AnnotationQuestion question) {
    switch (question) {
        case TMainForm::AnnotationQuestion::OpenName:
            return "Open Annotations";
        case TMainForm::AnnotationQuestion::SaveName:
            return "Save Annotations As";
        case TMainForm::AnnotationQuestion::NewTierName:
            return "Add Tier";
        case TMainForm::AnnotationQuestion::TierName:
            return "Rename Tier";
    }
    return {};
}

}  // namespace

void TMainForm::SetAnnotationPrompt(AnnotationPrompt prompt) {
    annotationPrompt_ = std::move(prompt);
}

const AnnotationEditor* TMainForm::Annotations() const {
    return annotations_->open ? &annotations_->editor : nullptr;
}

QString TMainForm::AnnotationsFileName() const {
    return annotations_->path;
}

void TMainForm::AddAnnotationItems(QMenu* fileMenu, QMenu* editMenu) {
    for (const AnnotationActionEntry& entry : kAnnotationActions) {
        auto* action = new QAction(entry.caption, this);
        action->setObjectName(entry.name);
        action->setStatusTip(entry.hint);
        action->setToolTip(entry.hint);
        if (*entry.shortcut) action->setShortcut(QKeySequence(entry.shortcut));
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        actions_[entry.name] = action;
    }
    const auto on = [this](const char* name, auto handler) {
        connect(Action(name), &QAction::triggered, this, handler);
    };
    QAction* save = Action("AFileSave");
    for (const char* name : {"AFileOpenAnnotations", "AFileSaveAnnotations",
                             "AFileSaveAnnotationsAs", "AFileCloseAnnotations"}) {
        fileMenu->insertAction(save, Action(name));
    }
    fileMenu->insertSeparator(save);
    QAction* firstEdit = editMenu->actions().value(0);
    editMenu->insertAction(firstEdit, Action("AEditUndo"));
    editMenu->insertAction(firstEdit, Action("AEditRedo"));
    editMenu->insertSeparator(firstEdit);
    QMenu* tiers = new QMenu("A&nnotations", this);
    tiers->setObjectName("AnnotationsMenu");
    for (const char* name : {"ATierAddBoundary", "ATierRemoveBoundary"})
        tiers->addAction(Action(name));
    tiers->addSeparator();
    for (const char* name : {"ATierAddInterval", "ATierAddPoint", "ATierRename", "ATierRemove"})
        tiers->addAction(Action(name));
    menuBar()->insertMenu(Action("AOptions1"), tiers);

    on("AFileOpenAnnotations", [this] {
        const QString chosen = AskAnnotationText(AnnotationQuestion::OpenName, QString());
        if (!chosen.isEmpty()) OpenAnnotations(chosen);
    });
    on("AFileSaveAnnotations", [this] { SaveAnnotationsAsked(false); });
    on("AFileSaveAnnotationsAs", [this] { SaveAnnotationsAsked(true); });
    on("AFileCloseAnnotations", [this] {
        if (MayDropAnnotations()) CloseAnnotations();
    });
    const auto history = [this](bool undo) {
        AnnotationEditor& editor = annotations_->editor;
        if (undo ? editor.Undo() : editor.Redo()) annotations_->input.Revalidate();
        AnnotationsChanged();
    };
    on("AEditUndo", [history] { history(true); });
    on("AEditRedo", [history] { history(false); });
    on("ATierAddBoundary", [this] { ApplyStripOutcome(annotations_->input.Key(StripKey::Enter)); });
    on("ATierRemoveBoundary",
       [this] { ApplyStripOutcome(annotations_->input.Key(StripKey::RemoveBoundary)); });
    on("ATierAddInterval", [this] { AddTier(TierKind::Interval); });
    on("ATierAddPoint", [this] { AddTier(TierKind::Point); });
    on("ATierRename", [this] {
        const auto tier = annotations_->input.FocusedTier();
        if (!tier) return;
        const QString name =
            AskAnnotationText(AnnotationQuestion::TierName,
                              QString::fromStdString(annotations_->editor.Tier(*tier).name));
        if (!name.isEmpty()) annotations_->editor.RenameTier(*tier, name.toStdString());
        AnnotationsChanged();
    });
    on("ATierRemove", [this] {
        const auto tier = annotations_->input.FocusedTier();
        if (tier && annotations_->editor.RemoveTier(*tier)) annotations_->input.Revalidate();
        AnnotationsChanged();
    });
}

void TMainForm::CreateTierStrip() {
    annotations_ = std::make_unique<AnnotationPane>();
    AnnotationPane& pane = *annotations_;
    pane.panel = new QFrame(centralWidget());
    pane.panel->setObjectName("PanelTiers");
    // The wave panel's bevel and colours, and its value axis's width for the names, so that
    // the rows line up with the wave view's columns.
    pane.panel->setFrameStyle(panelWave_->frameStyle());
    pane.panel->setLineWidth(panelWave_->lineWidth());
    pane.panel->setAutoFillBackground(true);
    pane.panel->setPalette(panelWave_->palette());
    pane.names = new PaintBox("PaintBoxTierNames");
    pane.names->setFixedWidth(paintBoxWaveY_->maximumWidth());
    pane.view = new TierStripView("PaintBoxTiers");
    auto* row = new QHBoxLayout(pane.panel);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(pane.names);
    row->addWidget(pane.view, 1);
    pane.panel->hide();
    // Under the spectrogram, above the scroll bar.
    auto* column = static_cast<QVBoxLayout*>(centralWidget()->layout());
    column->insertWidget(column->indexOf(horzScrollBar_), pane.panel, 0);

    pane.names->SetPaintHandler([this](QPainter& p) {
        DrawTierNames(p, annotations_->editor.Grid(), annotations_->names->width(),
                      annotations_->input.FocusedTier());
    });
    pane.view->SetPaintHandler([this](QPainter& p) {
        const TierStripInput& input = annotations_->input;
        const TierMarks marks{input.FocusedTier(), input.SelectedItem(), input.SelectedBoundary()};
        DrawTierRows(p, annotations_->editor.Grid(), TierTimeMap(), annotations_->view->width(),
                     marks);
    });
    pane.view->SetMouseHandlers(
        [this](QMouseEvent* event) {
            if (event->button() != Qt::LeftButton) return;
            const QPoint p = event->position().toPoint();
            ApplyStripOutcome(annotations_->input.Press(p.x(), p.y(), TierTimeMap()));
        },
        [this](QMouseEvent* event) {
            if (!annotations_->input.Dragging()) return;
            const QPoint p = event->position().toPoint();
            ApplyStripOutcome(annotations_->input.Move(p.x(), TierTimeMap()));
        },
        [this](QMouseEvent* event) {
            if (event->button() != Qt::LeftButton) return;
            annotations_->input.Release();
            RepaintTierStrip();
        });
    pane.view->SetDoubleClickHandler([this](QMouseEvent* event) {
        const QPoint p = event->position().toPoint();
        ApplyStripOutcome(annotations_->input.DoubleClick(p.x(), p.y(), TierTimeMap()));
    });
    pane.view->SetKeyHandler([this](QKeyEvent* event) { return TierStripKey(event); });
}

bool TMainForm::TierStripKey(QKeyEvent* event) {
    TierStripInput& input = annotations_->input;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
        case Qt::Key_Tab:
            ApplyStripOutcome(input.Key(StripKey::Tab));
            return true;
        case Qt::Key_Backtab:
            ApplyStripOutcome(input.Key(StripKey::BackTab));
            return true;
        case Qt::Key_Backspace:
            if (modifiers != Qt::NoModifier) return false;
            ApplyStripOutcome(input.Key(StripKey::Backspace));
            return true;
        default:
            break;
    }
    // Typed text goes into the selected label; keys with Ctrl or Alt are commands.
    const QString text = event->text();
    if (text.isEmpty() || (modifiers & (Qt::ControlModifier | Qt::AltModifier)) ||
        !text.at(0).isPrint()) {
        return false;
    }
    ApplyStripOutcome(input.Type(text.toStdString()));
    return true;
}

StripTimeMap TMainForm::TierTimeMap() const {
    return TimeMapOf(geometry_, sound_.format.sampleRate);
}

void TMainForm::ApplyStripOutcome(const StripOutcome& outcome) {
    if (outcome.selection)
        SelectAnnotationStretch(outcome.selection->first, outcome.selection->second);
    if (outcome.edited) {
        AnnotationsChanged();
    } else {
        UpdateAnnotationStates();
        RepaintTierStrip();
    }
}

void TMainForm::SelectAnnotationStretch(double start, double end) {
    const double rate = sound_.format.sampleRate;
    const SampleSpan span = SamplesOfTimes(start, end, rate, sound_.sampleCount);
    selectionStart_ = span.start;
    selectionEnd_ = span.end;
    paintBoxWave_->update();
    SetStatusText(2, QString::fromStdString(TimeReadout(start)));
    SetStatusText(3, end > start ? QString::fromStdString(TimeReadout(end - start)) : QString());
    // The spectrogram's columns of the stretch, whose mean the power-spectrum window shows;
    // a cursor alone selects none.
    const int columns = engine_.ColumnCount();
    if (analysisKind_ == 0 || columns == 0) return;
    columnSelectionStart_ = columnSelectionEnd_ = 0;
    paintBoxSpgm_->update();
    RepaintSpectrumPlot();
    if (span.end <= span.start) return;
    const StripTimeMap map = TimeMapOf(analysisGeometry_, rate);
    const int first = map.ColumnOfTime(start);
    int last = map.ColumnOfTime(end);
    if (map.TimeOfX(last) >= end) --last;
    if (last < 0 || first >= columns) return;
    columnSelectionStart_ = std::clamp(first, 0, columns - 1);
    columnSelectionEnd_ = std::clamp(last, columnSelectionStart_, columns - 1) + 1;
}

void TMainForm::SetAnnotationCursor(int sample) {
    if (!annotations_->open || sound_.format.sampleRate == 0) return;
    annotations_->input.SetCursor(static_cast<double>(sample) / sound_.format.sampleRate);
    RepaintTierStrip();
}

void TMainForm::RepaintTierStrip() {
    if (!annotations_ || !annotations_->panel->isVisible()) return;
    annotations_->names->update();
    annotations_->view->update();
}

void TMainForm::AnnotationsChanged() {
    // The names column is narrow: its tool tip names every tier in full.
    QStringList names;
    for (const AnnotationTier& tier : annotations_->editor.Grid().tiers)
        names << QString::fromStdString(tier.name);
    annotations_->names->setToolTip(names.join("\n"));
    FitTierStrip();
    UpdateAnnotationStates();
    RepaintTierStrip();
}

void TMainForm::FitTierStrip() {
    AnnotationPane& pane = *annotations_;
    const std::size_t tiers = pane.open ? pane.editor.TierCount() : 0;
    const int wanted = tiers > 0 ? TierStripHeight(tiers) + 2 * pane.panel->frameWidth() : 0;
    if (wanted == pane.panel->height() && pane.panel->isVisible() == (wanted > 0)) return;
    const int before = height() - pane.grownBy;
    if (wanted > 0) pane.panel->setFixedHeight(wanted);
    pane.panel->setVisible(wanted > 0);
    centralWidget()->layout()->activate();
    layout()->activate();
    // The window grows by the strip, as far as the screen allows; the wave view gives way.
    const int decoration = frameGeometry().height() - height();
    const int room = screen()->availableGeometry().height() - decoration;
    const int target = std::max(std::min(before + wanted, std::max(room, before)), before);
    pane.grownBy = target - before;
    resize(width(), target);
}

void TMainForm::UpdateAnnotationStates() {
    if (!annotations_) return;
    const AnnotationPane& pane = *annotations_;
    const bool open = fileOpen_ && pane.open;
    const bool tier = open && pane.input.FocusedTier().has_value();
    Action("AFileOpenAnnotations")->setEnabled(fileOpen_);
    for (const char* name :
         {"AFileSaveAnnotations", "AFileSaveAnnotationsAs", "AFileCloseAnnotations"}) {
        Action(name)->setEnabled(open);
    }
    Action("AEditUndo")->setEnabled(open && pane.editor.CanUndo());
    Action("AEditRedo")->setEnabled(open && pane.editor.CanRedo());
    Action("ATierAddInterval")->setEnabled(fileOpen_);
    Action("ATierAddPoint")->setEnabled(fileOpen_);
    for (const char* name :
         {"ATierRename", "ATierRemove", "ATierAddBoundary", "ATierRemoveBoundary"}) {
        Action(name)->setEnabled(tier);
    }
}

QString TMainForm::AskAnnotationText(AnnotationQuestion question, const QString& suggested) {
    if (annotationPrompt_) return annotationPrompt_(question, suggested);
    const QString title = QuestionTitle(question);
    const QString filter = "TextGrid files (*.TextGrid *.textgrid);;all files (*)";
    switch (question) {
        case AnnotationQuestion::OpenName:
            return QFileDialog::getOpenFileName(this, title, suggested, filter);
        case AnnotationQuestion::SaveName:
            return QFileDialog::getSaveFileName(this, title, suggested, filter);
        case AnnotationQuestion::NewTierName:
        case AnnotationQuestion::TierName:
            return QInputDialog::getText(this, title, "Tier name:", QLineEdit::Normal, suggested);
    }
    return {};
}

bool TMainForm::OpenAnnotations(const QString& path) {
    if (!fileOpen_) return false;
    TextGrid grid;
    if (const auto error = ReadTextGridFile(path.toStdString(), grid)) {
        // Refused whole: what was shown before stays as it was.
        QMessageBox::warning(
            this, baseCaption_,
            "Annotations Cannot Open: " + path + "\n" + QString::fromStdString(*error));
        return false;
    }
    if (!MayDropAnnotations()) return false;
    AnnotationPane& pane = *annotations_;
    pane.editor = AnnotationEditor(std::move(grid));
    pane.input.SetFocusedTier(0);
    pane.open = true;
    pane.path = path;
    AnnotationsChanged();
    return true;
}

void TMainForm::OpenAnnotationsBeside(const QString& soundPath) {
    const QFileInfo sound(soundPath);
    const QString beside = sound.dir().filePath(sound.completeBaseName() + ".TextGrid");
    if (QFileInfo(beside).isFile()) OpenAnnotations(beside);
}

bool TMainForm::SaveAnnotations(const QString& path) {
    AnnotationPane& pane = *annotations_;
    if (!pane.open || path.isEmpty() || RefuseToReplaceSound(path)) return false;
    const auto error =
        requests::WriteTextGridFile(path.toStdString(), pane.editor.Grid(), TextGridForm::Long);
    if (error) {
        QMessageBox::warning(this, baseCaption_,
                             "File Cannot Create: " + path + "\n" + QString::fromStdString(*error));
        return false;
    }
    pane.editor.MarkSaved();
    pane.path = path;
    UpdateAnnotationStates();
    return true;
}

bool TMainForm::SaveAnnotationsAsked(bool askName) {
    AnnotationPane& pane = *annotations_;
    if (!pane.open) return false;
    QString target = pane.path;
    if (askName || target.isEmpty()) {
        const QFileInfo sound(fileName_);
        const QString suggested = target.isEmpty()
                                      ? sound.dir().filePath(sound.completeBaseName() + ".TextGrid")
                                      : target;
        target = AskAnnotationText(AnnotationQuestion::SaveName, suggested);
        if (target.isEmpty()) return false;
    }
    return SaveAnnotations(target);
}

bool TMainForm::MayDropAnnotations() {
    const AnnotationPane& pane = *annotations_;
    if (!pane.open || !pane.editor.IsModified()) return true;
    const QString name =
        pane.path.isEmpty() ? QString("(not saved yet)") : QFileInfo(pane.path).fileName();
    const auto answer = QMessageBox::question(
        this, baseCaption_,
        "The annotations " + name + " have changes that are not saved. Save them?",
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Discard) return true;
    if (answer == QMessageBox::Save) return SaveAnnotationsAsked(false);
    return false;
}

void TMainForm::CloseAnnotations() {
    AnnotationPane& pane = *annotations_;
    pane.open = false;
    pane.editor = AnnotationEditor();
    pane.input.Revalidate();
    pane.path.clear();
    AnnotationsChanged();
}

void TMainForm::AddTier(TierKind kind) {
    if (!fileOpen_) return;
    const QString name = AskAnnotationText(AnnotationQuestion::NewTierName,
                                           kind == TierKind::Interval ? "words" : "events");
    if (name.isEmpty()) return;
    AnnotationPane& pane = *annotations_;
    if (!pane.open) {
        pane.editor = AnnotationEditor();
        pane.path.clear();
        pane.open = true;
    }
    const auto focused = pane.input.FocusedTier();
    const std::size_t position = focused ? *focused + 1 : pane.editor.TierCount();
    const double duration =
        static_cast<double>(sound_.sampleCount) / std::max<double>(sound_.format.sampleRate, 1);
    if (pane.editor.AddTier(position, name.toStdString(), kind, duration))
        pane.input.SetFocusedTier(position);
    AnnotationsChanged();
}

void TMainForm::DrawTierStripInComposite(QImage& image, const CompositeLayout& layout) {
    const AnnotationPane& pane = *annotations_;
    if (!pane.open || !pane.panel->isVisible()) return;
    const TextGrid& grid = pane.editor.Grid();
    const int stripHeight = TierStripHeight(grid.tiers.size());
    const auto place = PlaceStripInComposite(layout, imageCopySettings_, stripHeight);
    if (!place) return;
    QImage composite = CreateRgbBitmap(image.width(), place->imageHeight);
    QPainter painter(&composite);
    painter.drawImage(QPoint(0, 0), image, QRect(0, 0, image.width(), place->shiftFrom));
    painter.drawImage(QPoint(0, place->shiftFrom + place->shiftBy), image,
                      QRect(0, place->shiftFrom, image.width(), image.height() - place->shiftFrom));
    painter.setFont(paintBoxWave_->font());
    const int width = paintBoxWave_->width();
    painter.save();
    painter.translate(layout.leftMargin, place->top);
    painter.setClipRect(QRect(0, 0, width, stripHeight));
    DrawTierRows(painter, grid, TierTimeMap(), width);
    painter.restore();
    if (layout.leftMargin > 0) {
        painter.translate(0, place->top);
        painter.setClipRect(QRect(0, 0, layout.leftMargin, stripHeight));
        DrawTierNames(painter, grid, layout.leftMargin);
    }
    painter.end();
    image = composite;
}

}  // namespace tonalyx
