#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>

#include <cerrno>
#include <cmath>

#include <gtest/gtest.h>

#include "CliComparisonSupport.h"
#include "WindowTestSupport.h"
#include "display/PaintBox.h"
#include "requests/OutputFiles.h"
#include "settings/OverlayRequest.h"

namespace tonalyx {
namespace {

using testing::SettingsArguments;
using testing::StartedProgram;
using testing::WriteGlidingVoice;

// The numbers the window exports must equal, byte for byte, what tonalyx-cli prints for the
// same view with the same settings.

// What tonalyx-cli prints on standard output, with the window's settings appended.
QString RunCli(StartedProgram& program, QStringList arguments) {
    arguments << SettingsArguments(program.options.Settings());
    QProcess process;
    process.start(TONALYX_CLI_PATH, arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The options that give tonalyx-cli the window's view: fitted, or zoomed and scrolled.
QStringList ViewArguments(const TMainForm& form) {
    const ViewGeometry& view = form.Geometry();
    QStringList arguments{"--columns", QString::number(view.viewWidth)};
    if (view.fitToWindow) return arguments << "--fit";
    return arguments << "--samples-per-column" << QString::number(view.samplesPerPixel)
                     << "--first-column" << QString::number(view.ScrollPosition());
}

QString ReadText(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll());
}

void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(text), text.size());
}

QStringList Lines(const QString& text) {
    QStringList lines = text.split('\n');
    EXPECT_TRUE(lines.last().isEmpty()) << "the last line ends with a line break";
    lines.removeLast();
    return lines;
}

// Makes the main window narrower by the given number of pixels and lets the views follow.
void ProgramWindowNarrower(TMainForm& form, int pixels) {
    const int viewWidth = form.Geometry().viewWidth;
    form.resize(form.width() - pixels, form.height());
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.Geometry().viewWidth < viewWidth; }, 2000));
}

// Answers every modal message box with the given button (OK where the box has no such button)
// and keeps the texts.
class BoxAnswerer {
public:
    explicit BoxAnswerer(QMessageBox::StandardButton answer) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this, answer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            texts_ << box->text();
            QAbstractButton* button = box->button(answer);
            if (!button) button = box->button(QMessageBox::Ok);
            button->click();
        });
        timer_.start();
    }
    const QStringList& Texts() const { return texts_; }

private:
    QTimer timer_;
    QStringList texts_;
};

class DataExport : public ::testing::Test {
protected:
    void SetUp() override {
        sound = WriteGlidingVoice(dir, 2.0);
        program = std::make_unique<StartedProgram>(sound);
        ASSERT_TRUE(Form().IsFileOpen());
        spgm = Form().findChild<QWidget*>("PaintBoxSpgm");
        // Every export goes to the name the test chooses; "" cancels.
        Form().SetExportNamePrompt(
            [this](const QString& title, const QString& suggested, const QStringList& types) {
                prompts << title + " | " + suggested;
                offeredTypes = types;
                return TMainForm::ExportChoice{exportName, exportType};
            });
    }
    TMainForm& Form() { return program->main; }
    bool Enabled(const char* name) { return Form().Action(name)->isEnabled(); }
    QString Clipboard() { return QApplication::clipboard()->text(); }

    QTemporaryDir dir;
    QString sound;
    std::unique_ptr<StartedProgram> program;
    QWidget* spgm = nullptr;
    QString exportName;
    int exportType = 0;
    QStringList prompts;
    QStringList offeredTypes;
};

TEST_F(DataExport, CommandsJoinTheMenusAndAreEnabledOnlyWhileTheirDataExist) {
    QStringList file;
    for (QAction* item : Form().findChild<QMenu*>("FileMenu")->actions())
        file << item->text();
    EXPECT_EQ(file, QStringList({"&Open",
                                 "&Reopen",
                                 "Open A&nnotations...",
                                 "Save Annotat&ions",
                                 "Save Annotations As...",
                                 "C&lose Annotations",
                                 "",
                                 "&Save Image",
                                 "Save Image &as",
                                 "&Close",
                                 "",
                                 "Export Spectrogram &Data...",
                                 "Export Pi&tch Track...",
                                 "Export &Formants...",
                                 "Export &Intensity...",
                                 "",
                                 "&Print",
                                 "P&rinter Settings...",
                                 "",
                                 "E&xit"}));
    QStringList edit;
    for (QAction* item : Form().findChild<QMenu*>("EditMenu")->actions())
        edit << item->text();
    EXPECT_EQ(edit, QStringList({"&Undo", "&Redo", "", "&Copy", "Copy Spectrum &Values"}));
    for (const char* name : {"AFileExportSpectrogram", "AFileExportPitch", "AEditCopySpectrum"}) {
        EXPECT_FALSE(Form().Action(name)->statusTip().isEmpty()) << name;
        EXPECT_FALSE(Enabled(name)) << name << ": a sound, but nothing computed";
    }

    Form().RunAnalysis(1);
    EXPECT_TRUE(Enabled("AFileExportSpectrogram"));
    EXPECT_TRUE(Enabled("AEditCopySpectrum"));
    EXPECT_FALSE(Enabled("AFileExportPitch"));

    Form().Action("AViewShowPitchOverlay")->trigger();
    EXPECT_TRUE(Enabled("AFileExportPitch"));
    EXPECT_TRUE(Enabled("AFileExportSpectrogram"));

    // The pitch kind shows the track alone: there are no levels to give.
    Form().RunAnalysis(6);
    EXPECT_FALSE(Enabled("AFileExportSpectrogram"));
    EXPECT_FALSE(Enabled("AEditCopySpectrum"));
    EXPECT_TRUE(Enabled("AFileExportPitch"));

    // Hiding the spectrogram keeps the track; closing the sound drops everything.
    Form().RunAnalysis(5);
    Form().Action("AViewHideSpectrogram")->trigger();
    EXPECT_FALSE(Enabled("AFileExportSpectrogram"));
    EXPECT_FALSE(Enabled("AEditCopySpectrum"));
    EXPECT_TRUE(Enabled("AFileExportPitch"));
    Form().Action("AFileClose")->trigger();
    for (const char* name : {"AFileExportSpectrogram", "AFileExportPitch", "AEditCopySpectrum"})
        EXPECT_FALSE(Enabled(name)) << name;

    // Triggered while disabled (as a stale shortcut would), they do nothing.
    exportName = dir.filePath("never.csv");
    QApplication::clipboard()->setText("kept");
    Form().Action("AFileExportPitch")->setEnabled(true);
    Form().Action("AFileExportPitch")->trigger();
    Form().Action("AEditCopySpectrum")->setEnabled(true);
    Form().Action("AEditCopySpectrum")->trigger();
    EXPECT_TRUE(prompts.isEmpty());
    EXPECT_EQ(Clipboard(), "kept");
}

TEST_F(DataExport, PitchTrackFilesEqualTheCommandLinesTablesEvery10MsAndRaw) {
    Form().Action("AViewShowPitch")->trigger();
    ASSERT_FALSE(Form().PitchTrackValues().empty());

    // The first type, chosen at the start: F0 every 10 ms.
    exportName = dir.filePath("steps.csv");
    Form().Action("AFileExportPitch")->trigger();
    EXPECT_EQ(prompts, QStringList{"Export Pitch Track | " + dir.filePath("voice_pitch.csv")});
    const int hop = 3;  // 16 kHz / (6.3 x the default 640 Hz top channel), in whole samples
    ASSERT_EQ(offeredTypes,
              QStringList({"F0 every 10 ms, CSV table (*.csv)",
                           QString("Every track value (%1 ms apart), CSV table (*.csv)")
                               .arg(QString::number(1000.0 * hop / 16000, 'g', 3))}));
    const QString steps = ReadText(exportName);
    EXPECT_EQ(steps, RunCli(*program, {"pitch", sound, "--step", "0.01"}));
    const QStringList stepLines = Lines(steps);
    // 2 s of sound: steps 0 .. 199, at 0.00 .. 1.99 s.
    ASSERT_EQ(stepLines.size(), 200 + 1);
    EXPECT_EQ(stepLines[0], "file,index,time_s,f0_hz");
    EXPECT_EQ(stepLines[1].section(',', 1, 2), "0,0.000000");
    EXPECT_EQ(stepLines[200].section(',', 1, 2), "199,1.990000");
    int voicedSteps = 0;
    for (qsizetype i = 1; i < stepLines.size(); ++i)
        voicedSteps += stepLines[i].section(',', 3) != "0";
    EXPECT_GT(voicedSteps, 50);
    EXPECT_LT(voicedSteps, 150);

    // The second type: every value of the track.
    exportName = dir.filePath("track.csv");
    exportType = 1;
    Form().Action("AFileExportPitch")->trigger();
    const QString exported = ReadText(exportName);
    EXPECT_EQ(exported, RunCli(*program, {"pitch", sound}));
    const QStringList lines = Lines(exported);
    ASSERT_EQ(lines.size(), static_cast<qsizetype>(Form().PitchTrackValues().size()) + 1);
    EXPECT_EQ(lines[0], "file,index,time_s,f0_hz");
    // Both voiced and unvoiced values, or the comparison would prove little.
    int voiced = 0;
    for (qsizetype i = 1; i < lines.size(); ++i)
        voiced += lines[i].section(',', 3) != "0";
    EXPECT_GT(voiced, lines.size() / 4);
    EXPECT_LT(voiced, lines.size() - lines.size() / 4);
}

TEST_F(DataExport, FormantAndIntensityTablesEqualTheCommandLinesBytes) {
    // Settings other than the defaults, so that they are seen to reach both programs.
    const auto type = [this](const char* field, const QString& text) {
        auto* combo = program->options.findChild<QComboBox*>(field);
        combo->setCurrentIndex(-1);
        combo->setEditText(text);
    };
    type("LFormantCeiling", "5000");
    type("LOverlayStep", "0.01");
    type("LIntensityMinPitch", "75");
    program->options.findChild<QPushButton*>("ApplyBtn")->click();
    const OverlaySettings& chosen = program->options.Overlay();
    ASSERT_EQ(chosen.ceilingHz, 5000);
    const auto cli = [&](const char* command, const std::vector<std::string>& options) {
        QStringList arguments{command, sound};
        for (const std::string& option : options)
            arguments << QString::fromStdString(option);
        return RunCli(*program, arguments);
    };

    exportName = dir.filePath("formants.csv");
    Form().Action("AFileExportFormants")->trigger();
    EXPECT_EQ(prompts.last(), "Export Formants | " + dir.filePath("voice_formants.csv"));
    const QString formants = ReadText(exportName);
    EXPECT_EQ(formants, cli("formants", FormantArguments(chosen)));
    const QStringList formantLines = Lines(formants);
    ASSERT_GT(formantLines.size(), 150);  // 2 s every 10 ms
    EXPECT_TRUE(formantLines[0].startsWith("file,time_s,f1_hz,b1_hz,f2_hz"));
    EXPECT_TRUE(formantLines[0].endsWith("f5_hz,b5_hz"));

    exportName = dir.filePath("intensity.csv");
    Form().Action("AFileExportIntensity")->trigger();
    const QString intensity = ReadText(exportName);
    EXPECT_EQ(intensity, cli("intensity", IntensityArguments(chosen)));
    const QStringList intensityLines = Lines(intensity);
    EXPECT_EQ(intensityLines[0], "file,time_s,intensity_db");
    ASSERT_GT(intensityLines.size(), 150);
    // The pause is digital silence, written as the command line writes it.
    EXPECT_TRUE(intensity.contains(",-300\n"));
}

TEST_F(DataExport, CopiedSpectrumEqualsTheCommandLinesTableForEveryKind) {
    // The auto-correlation rows on the lag axis, the other kinds on frequencies.
    program->options.findChild<QCheckBox*>("BShowAsFreq")->setChecked(false);
    program->options.findChild<QPushButton*>("ApplyBtn")->click();
    const struct {
        int kind;
        const char* name;
        const char* position;
    } kinds[] = {{1, "fft", "frequency_hz\tlevel_db"},
                 {2, "ac", "lag_ms\tlevel_percent"},
                 {3, "cep", "lag_ms\tlevel_percent"},
                 {4, "lif", "frequency_hz\tlevel_db"},
                 {5, "mem", "frequency_hz\tlevel_db"}};
    for (const auto& [kind, name, position] : kinds) {
        Form().RunAnalysis(kind);
        const QStringList common = QStringList{"spectrum", sound, "--format", "tsv", "--kind", name}
                                   << ViewArguments(Form());

        // The cross-hair's column.
        QTest::mouseClick(spgm, Qt::RightButton, {}, QPoint(50, 40));
        ASSERT_TRUE(Form().SpectrogramColumnSelection().Empty());
        Form().Action("AEditCopySpectrum")->trigger();
        const QString cursor = Clipboard();
        EXPECT_EQ(cursor, RunCli(*program, QStringList(common) << "--column"
                                                               << "50"))
            << name;
        const QStringList lines = Lines(cursor);
        ASSERT_EQ(lines.size(), Form().Engine().ImageHeight() + 1) << name;
        EXPECT_TRUE(lines[0].endsWith(position)) << lines[0].toStdString();

        // The mean of a column selection, the anchor on the right.
        QTest::mousePress(spgm, Qt::LeftButton, {}, QPoint(180, 40));
        QTest::mouseMove(spgm, QPoint(120, 40));
        QTest::mouseRelease(spgm, Qt::LeftButton, {}, QPoint(120, 40));
        ASSERT_EQ(Form().SpectrogramColumnSelection().start, 120);
        ASSERT_EQ(Form().SpectrogramColumnSelection().end, 181);
        Form().Action("AEditCopySpectrum")->trigger();
        EXPECT_EQ(Clipboard(), RunCli(*program, QStringList(common) << "--column"
                                                                    << "120"
                                                                    << "--to-column"
                                                                    << "180"))
            << name;
        EXPECT_NE(Clipboard(), cursor) << name;
    }

    // The spectrum that went to the clipboard is the one the window shows.
    program->freq.hide();
    Form().Action("AEditCopySpectrum")->trigger();
    EXPECT_TRUE(program->freq.isVisible());
}

TEST_F(DataExport, CrossHairFollowsANarrowerAnalysisToItsLastColumn) {
    Form().RunAnalysis(1);
    const int before = Form().Engine().ColumnCount();
    QTest::mouseClick(spgm, Qt::RightButton, {}, QPoint(before - 5, 40));
    ProgramWindowNarrower(Form(), before / 2);
    Form().RunAnalysis(1);
    const int columns = Form().Engine().ColumnCount();
    ASSERT_GT(columns, 0);
    ASSERT_LT(columns, before - 5) << "the cross-hair's column is gone";
    ASSERT_TRUE(Form().SpectrogramColumnSelection().Empty());

    // The copy and the plot give the new last column, as if it had been clicked.
    Form().Action("AEditCopySpectrum")->trigger();
    const QString copied = Clipboard();
    EXPECT_EQ(copied, RunCli(*program, QStringList{"spectrum", sound, "--format", "tsv", "--kind",
                                                   "fft", "--column", QString::number(columns - 1)}
                                           << ViewArguments(Form())));
    QWidget* plot = program->freq.PaintBoxFreq();
    const QImage clamped = plot->grab().toImage();
    QTest::mouseClick(spgm, Qt::RightButton, {}, QPoint(columns - 1, 40));
    EXPECT_EQ(plot->grab().toImage(), clamped);
    Form().Action("AEditCopySpectrum")->trigger();
    EXPECT_EQ(Clipboard(), copied);
    // A different column plots differently, or the comparison proves nothing.
    QTest::mouseClick(spgm, Qt::RightButton, {}, QPoint(columns / 4, 40));
    EXPECT_NE(plot->grab().toImage(), clamped);
}

TEST_F(DataExport, ThePitchSaveDialogsFileTypeChoosesTheRows) {
    Form().Action("AViewShowPitch")->trigger();
    Form().SetExportNamePrompt(nullptr);
    const QString target = dir.filePath("voice_pitch.csv");
    QStringList offered;
    // The platform's dialog: the second type chosen, Save under the suggested name.
    QTimer::singleShot(50, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        offered = dialog->nameFilters();
        dialog->selectNameFilter(offered.value(1));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    Form().Action("AFileExportPitch")->trigger();
    ASSERT_EQ(offered.size(), 2);
    EXPECT_TRUE(offered[0].startsWith("F0 every 10 ms"));
    EXPECT_EQ(Lines(ReadText(target)).size(),
              static_cast<qsizetype>(Form().PitchTrackValues().size()) + 1);
}

// The matrix read back: the corner, the column times, the row positions and the levels as text.
struct Matrix {
    QString corner;
    QStringList times;
    QStringList positions;
    std::vector<QStringList> levels;  // one list per row, one level per column
};

Matrix ReadMatrix(const QString& text) {
    Matrix matrix;
    const QStringList lines = Lines(text);
    if (lines.isEmpty()) return matrix;
    matrix.times = lines[0].split(',');
    matrix.corner = matrix.times.takeFirst();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QStringList fields = lines[i].split(',');
        matrix.positions << fields.takeFirst();
        matrix.levels.push_back(fields);
    }
    return matrix;
}

// Columns 0, the middle one and the last of the matrix equal tonalyx-cli spectrum's table of
// that column: the same row positions and levels as text, the column time in the middle of the
// table's start and end.
void ExpectMatrixMatchesCli(StartedProgram& program, const QString& sound, const char* kind,
                            const QString& exported) {
    const TMainForm& form = program.main;
    const Matrix matrix = ReadMatrix(exported);
    const int columns = form.Engine().ColumnCount();
    const int rows = form.Engine().ImageHeight();
    ASSERT_EQ(matrix.times.size(), columns);
    ASSERT_EQ(matrix.positions.size(), rows);
    for (const QStringList& row : matrix.levels)
        ASSERT_EQ(row.size(), columns);

    for (int column : {0, columns / 2, columns - 1}) {
        const QStringList lines = Lines(RunCli(
            program,
            QStringList{"spectrum", sound, "--kind", kind, "--column", QString::number(column)}
                << ViewArguments(form)));
        ASSERT_EQ(lines.size(), rows + 1);
        const QStringList header = lines[0].split(',');
        EXPECT_EQ(matrix.corner, header[5] + ":" + header[4] + "/time_s");
        for (int row = 0; row < rows; ++row) {
            const QStringList fields = lines[row + 1].split(',');
            ASSERT_EQ(fields.size(), 6);
            if (row == 0) {
                const double middle = (fields[1].toDouble() + fields[2].toDouble()) / 2;
                EXPECT_NEAR(matrix.times[column].toDouble(), middle, 1.01e-6) << column;
            }
            EXPECT_EQ(matrix.positions[row], fields[4]) << row;
            EXPECT_EQ(matrix.levels[static_cast<std::size_t>(row)][column], fields[5])
                << kind << " column " << column << " row " << row;
        }
    }
}

TEST_F(DataExport, SpectrogramDataEqualTheCommandLinesSpectraInFittedAndScrolledViews) {
    Form().RunAnalysis(1);
    exportName = dir.filePath("fft.csv");
    Form().Action("AFileExportSpectrogram")->trigger();
    EXPECT_EQ(prompts, QStringList{"Export Spectrogram Data | " + dir.filePath("voice_fft.csv")});
    const QString fitted = ReadText(exportName);
    ExpectMatrixMatchesCli(*program, sound, "fft", fitted);
    EXPECT_TRUE(fitted.startsWith("level_db:frequency_hz/time_s,"));

    // Fitting off, one Narrow Time Window, the scroll bar moved; the cepstrum on lag rows.
    program->options.findChild<QCheckBox*>("BShowAsFreq")->setChecked(false);
    program->options.findChild<QPushButton*>("ApplyBtn")->click();
    Form().Action("AViewFitToWindow")->trigger();
    Form().Action("AViewExtended")->trigger();
    ASSERT_TRUE(Form().Geometry().IsScrolled());
    auto* scrollBar = Form().findChild<QScrollBar*>("HorzScrollBar");
    scrollBar->setValue(scrollBar->maximum() / 2);
    ASSERT_GT(Form().Geometry().ScrollPosition(), 0);
    Form().RunAnalysis(3);
    exportName = dir.filePath("cep.csv");
    Form().Action("AFileExportSpectrogram")->trigger();
    const QString scrolled = ReadText(exportName);
    ExpectMatrixMatchesCli(*program, sound, "cep", scrolled);
    EXPECT_TRUE(scrolled.startsWith("level_percent:lag_ms/time_s,"));
    // The first column lies well into the sound.
    EXPECT_GT(ReadMatrix(scrolled).times[0].toDouble(), 0.1);
}

TEST_F(DataExport, FilesAreWrittenWholeOrNotAtAllAndReplacedOnlyWhenConfirmed) {
    Form().RunAnalysis(1);
    Form().Action("AViewShowPitchOverlay")->trigger();
    const QString target = dir.filePath("out.csv");

    // Cancelled: nothing is written.
    exportName.clear();
    Form().Action("AFileExportSpectrogram")->trigger();
    EXPECT_FALSE(QFile::exists(target));

    // An existing file is replaced only after Yes to "Overwrite File:".
    WriteText(target, "old\n");
    exportName = target;
    {
        BoxAnswerer answerer(QMessageBox::No);
        Form().Action("AFileExportPitch")->trigger();
        EXPECT_EQ(answerer.Texts(), QStringList{"Overwrite File: " + target});
    }
    EXPECT_EQ(ReadText(target), "old\n");

    // A disk that fills up half-way: the old file stays, no temporary file is left, and the
    // message names the path and the system's reason.
    {
        BoxAnswerer answerer(QMessageBox::Yes);
        requests::ScopedWriteFault full(ENOSPC, 100);
        Form().Action("AFileExportSpectrogram")->trigger();
        EXPECT_EQ(answerer.Texts(),
                  QStringList({"Overwrite File: " + target,
                               "File Cannot Create: " + target + "\nNo space left on device"}));
    }
    EXPECT_EQ(ReadText(target), "old\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"out.csv", "voice.wav"}));

    // A folder that does not exist.
    exportName = dir.filePath("missing/out.csv");
    {
        BoxAnswerer answerer(QMessageBox::Yes);
        Form().Action("AFileExportPitch")->trigger();
        EXPECT_EQ(answerer.Texts(),
                  QStringList{"File Cannot Create: " + exportName + "\nNo such file or directory"});
    }

    // Confirmed and written.
    exportName = target;
    {
        BoxAnswerer answerer(QMessageBox::Yes);
        Form().Action("AFileExportPitch")->trigger();
        EXPECT_EQ(answerer.Texts(), QStringList{"Overwrite File: " + target});
    }
    EXPECT_TRUE(ReadText(target).startsWith("file,index,time_s,f0_hz\n"));
}

}  // namespace
}  // namespace tonalyx
