#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "analysis/SpectrogramFraming.h"
#include "settings/OptionControlTable.h"
#include "settings/OptionSnapshot.h"
#include "settings/PageControl.h"

namespace tonalyx {
namespace {

using testing::IsolatedSettings;
using testing::MessageBoxCatcher;
using testing::StartedProgram;
using testing::WriteSineWave;

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

template <typename T>
T* Find(QWidget& form, std::string_view name) {
    T* found = form.findChild<T*>(Q(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

void Check(QWidget& form, const char* group, int item) {
    Find<QButtonGroup>(form, group)->button(item)->click();
}

void Click(QWidget& form, const char* button) {
    Find<QPushButton>(form, button)->click();
}

// Replaces an edit's text by typing, as the user does.
void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

void ShowPage(TOptionForm& form, const char* page) {
    auto* pages = form.findChild<PageControl*>();
    for (int i = 0; i < pages->Count(); ++i) {
        if (pages->Page(i)->objectName() == page) pages->SetCurrentIndex(i);
    }
}

// A dialog on a settings store of its own, with the apply codes it hands on.
struct Dialog {
    IsolatedSettings settings;
    TOptionForm form;
    std::vector<int> applied;

    explicit Dialog(const QString& folder = QString()) : settings(folder) {
        form.SetApplyHandler([this](int code) { applied.push_back(code); });
    }
};

TEST(OptionsDialog, EveryControlExistsWithItsNameItemsRangeAndInitialState) {
    Dialog dialog;
    TOptionForm& form = dialog.form;
    const OptionControls factory;
    EXPECT_EQ(form.windowTitle(), "Options");
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_EQ(Find<QPushButton>(form, "ApplyBtn")->text(), "&Apply");
    EXPECT_TRUE(Find<QPushButton>(form, "ApplyBtn")->isDefault());
    EXPECT_EQ(Find<QPushButton>(form, "CancelBtn")->text(), "&Close");
    EXPECT_EQ(Find<QPushButton>(form, "DefaultBtn")->text(), "RegisterAs&Default");

    for (const RadioGroupControl& radio : kRadioGroupControls) {
        auto* group = Find<QButtonGroup>(form, radio.name);
        ASSERT_EQ(group->buttons().size(), static_cast<qsizetype>(radio.items.size()));
        for (size_t i = 0; i < radio.items.size(); ++i)
            EXPECT_EQ(group->button(static_cast<int>(i))->text(), Q(radio.items[i]));
        EXPECT_EQ(group->checkedId(), factory.*radio.item) << radio.name;
    }
    for (const UpDownControl& upDown : kUpDownControls) {
        auto* spin = Find<QSpinBox>(form, upDown.name);
        EXPECT_EQ(spin->minimum(), upDown.range.min) << upDown.name;
        EXPECT_EQ(spin->maximum(), upDown.range.max) << upDown.name;
        EXPECT_EQ(spin->value(), factory.*upDown.position) << upDown.name;
        auto* edit = spin->findChild<QLineEdit*>("Edit" + Q(upDown.name));
        ASSERT_NE(edit, nullptr) << upDown.name;
        EXPECT_EQ(edit->text(), QString::number(factory.*upDown.position));
    }
    for (const ComboBoxControl& box : kComboBoxControls) {
        auto* combo = Find<QComboBox>(form, box.name);
        EXPECT_TRUE(combo->isEditable());
        ASSERT_EQ(combo->count(), static_cast<int>(box.items.size()));
        for (size_t i = 0; i < box.items.size(); ++i)
            EXPECT_EQ(combo->itemText(static_cast<int>(i)), Q(box.items[i]));
        EXPECT_EQ(combo->currentText(), Q((factory.*box.state).text));
        EXPECT_EQ(combo->currentIndex(), -1);
    }
    for (const CheckBoxControl& check : kCheckBoxControls)
        EXPECT_EQ(Find<QCheckBox>(form, check.name)->isChecked(), factory.*check.checked);

    // Captions, as the user reads them.
    const std::pair<const char*, const char*> captions[] = {
        {"LCorSize", "Data size [data]"},
        {"LCorType", "Type"},
        {"LFftWindow", "Data window"},
        {"LFftSize", "FFT size [data]"},
        {"LResampling", "Resampling rate      &&      Poles num."},
        {"LMemSize", "MEM size [data] (before resampling)"},
        {"LCepWindow", "Data window"},
        {"LCepSize", "FFT size [data]"},
        {"LLifWindow", "Data Window"},
        {"LLifSize", "FFT Size [data]"},
        {"LChannelID", "Channel #"},
    };
    for (const auto& [name, caption] : captions)
        EXPECT_EQ(Find<QGroupBox>(form, name)->title(), caption);
    EXPECT_EQ(Find<QCheckBox>(form, "BShowAsFreq")->text(), "Frequencial scale");
    EXPECT_EQ(Find<QCheckBox>(form, "BDisableAudio")->toolTip(), "Disable playback");
    EXPECT_TRUE(Find<QCheckBox>(form, "BFftPhase")->isHidden());

    // The pages in tab order; Liftering exists without a tab; Display is shown first.
    auto* pages = form.findChild<PageControl*>("PageControl1");
    ASSERT_NE(pages, nullptr);
    const QStringList names{"TabSheetCor",  "TabSheetFft",    "TabSheetMem",  "TabSheetFrq",
                            "TabSheetCep",  "TabSheetLif",    "TabSheetDisp", "TabSheetGraphics",
                            "TabSheetFile", "TabSheetOverlay"};
    const QStringList tabs{"AC",        "FFT",     "MEM",      "Pitch", "Cepstrum",
                           "Liftering", "Display", "Graphics", "File",  "Formants"};
    ASSERT_EQ(pages->Count(), 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(pages->Page(i)->objectName(), names[i]);
        EXPECT_EQ(pages->TabText(i), tabs[i]);
        EXPECT_EQ(pages->IsTabVisible(i), i != 5);
    }
    EXPECT_EQ(pages->Page(pages->CurrentIndex())->objectName(), "TabSheetDisp");
    EXPECT_EQ(form.ActivePageCode(), 0);
}

TEST(OptionsDialog, TheOverlaysPageRefusesWhatTheCommandLineRefusesAndStoresItsOwnGroup) {
    Dialog dialog;
    TOptionForm& form = dialog.form;
    MessageBoxCatcher boxes;
    ShowPage(form, "TabSheetOverlay");
    EXPECT_EQ(form.ActivePageCode(), kOverlayPageCode);
    const OverlaySettings factory;
    // Tracking joins F1-F3: two formants contradict it, in the shared check's words.
    Find<QSpinBox>(form, "LFormantCount")->setValue(2);
    Find<QCheckBox>(form, "BFormantTrack")->setChecked(true);
    Click(form, "ApplyBtn");
    ASSERT_EQ(boxes.Texts().size(), 1);
    EXPECT_EQ(boxes.Texts()[0], "Track F1-F3 joins F1, F2 and F3: it needs Formants of at least 3");
    EXPECT_EQ(form.Overlay(), factory);
    EXPECT_TRUE(dialog.applied.empty());
    // Text that is no number, and a value out of range, both said at once.
    Find<QCheckBox>(form, "BFormantTrack")->setChecked(false);
    Type(Find<QComboBox>(form, "LFormantCeiling")->lineEdit(), "55OO");
    Type(Find<QComboBox>(form, "LFormantWindow")->lineEdit(), "0");
    Click(form, "DefaultBtn");
    ASSERT_EQ(boxes.Texts().size(), 2);
    EXPECT_EQ(boxes.Texts()[1].toStdString(),
              "Ceiling [Hz] must be a frequency in Hz above 0, or auto, not '55OO'\n"
              "Window [s] must be a number of seconds above 0, not '0'");
    EXPECT_EQ(form.Overlay(), factory);
    // Accepted values are applied, handed on with the page's code and stored in their group.
    Type(Find<QComboBox>(form, "LFormantCeiling")->lineEdit(), "auto");
    Type(Find<QComboBox>(form, "LFormantWindow")->lineEdit(), "0.03");
    Click(form, "ApplyBtn");
    EXPECT_EQ(dialog.applied, std::vector<int>{kOverlayPageCode});
    EXPECT_TRUE(form.Overlay().autoCeiling);
    EXPECT_EQ(form.Overlay().formantCount, 2);
    QSettings stored(dialog.settings.Path() + "/Velmora/Tonalyx.200.conf", QSettings::IniFormat);
    EXPECT_FALSE(stored.contains("Overlays/Ceiling"));  // Apply stores nothing
    const QByteArray options = stored.value("Options").toByteArray();
    Click(form, "DefaultBtn");
    stored.sync();
    EXPECT_EQ(stored.value("Overlays/Ceiling").toString(), "auto");
    EXPECT_EQ(stored.value("Overlays/Window").toString(), "0.03");
    EXPECT_EQ(stored.value("Options").toByteArray(), options);  // the snapshot is as before
    // A new dialog on that store starts from the stored group.
    Dialog next(dialog.settings.Path());
    EXPECT_EQ(next.form.Overlay(), form.Overlay());
    EXPECT_EQ(Find<QComboBox>(next.form, "LFormantCeiling")->currentText(), "auto");
    EXPECT_EQ(boxes.Texts().size(), 2);
}

TEST(OptionsDialog, TabsWrapIntoRowsAndEveryPageFits) {
    Dialog dialog;
    TOptionForm& form = dialog.form;
    auto* pages = form.findChild<PageControl*>();
    form.show();
    QTest::qWait(20);
    EXPECT_GE(pages->RowCount(), 2);  // eight tabs do not fit into one row of the designed width
    for (int i = 0; i < pages->Count(); ++i) {
        QWidget* page = pages->Page(i);
        EXPECT_GE(page->width(), page->minimumSizeHint().width()) << i;
        EXPECT_GE(page->height(), page->minimumSizeHint().height()) << i;
        if (!pages->IsTabVisible(i)) continue;
        const QRect tab = pages->TabRect(i);
        EXPECT_TRUE(pages->rect().contains(tab)) << i;
        // Clicking a tab shows its page.
        QTest::mouseClick(pages, Qt::LeftButton, {}, tab.center());
        EXPECT_EQ(pages->CurrentIndex(), i);
    }
    // Ctrl+Tab and Ctrl+Shift+Tab step through the shown tabs, past the hidden one.
    pages->SetCurrentIndex(4);
    QWidget* field = form.findChild<QLineEdit*>("EditLPMinFreq");
    QTest::keyClick(field, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(pages->CurrentIndex(), 6);
    QTest::keyClick(field, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(pages->CurrentIndex(), 4);

    // Wide enough, one row.
    form.resize(900, form.height());
    QTest::qWait(20);
    EXPECT_EQ(pages->RowCount(), 1);
}

TEST(OptionsDialog, ClicksBesideOtherAndMoreSelectThoseItems) {
    Dialog dialog;
    TOptionForm& form = dialog.form;
    auto* memSize = Find<QButtonGroup>(form, "LMemSize");
    QTest::mouseClick(form.findChild<QLineEdit*>("EditLMemSizeN"), Qt::LeftButton);
    EXPECT_EQ(memSize->checkedId(), kMemSizeOtherItem);
    // Choosing a size afterwards keeps the number for later.
    Check(form, "LMemSize", 2);
    EXPECT_EQ(Find<QSpinBox>(form, "LMemSizeN")->value(), 1000);
    auto* memSizeN = Find<QSpinBox>(form, "LMemSizeN");
    Check(form, "LMemSize", 2);
    QTest::mouseClick(memSizeN, Qt::LeftButton, {}, QPoint(memSizeN->width() - 4, 3));
    EXPECT_EQ(memSize->checkedId(), kMemSizeOtherItem);
    EXPECT_EQ(memSizeN->value(), 1001);  // the up arrow stepped it

    auto* channel = Find<QButtonGroup>(form, "LChannelID");
    auto* channelIdg = Find<QSpinBox>(form, "LChannelIDG");
    QTest::mouseClick(channelIdg, Qt::LeftButton, {}, QPoint(channelIdg->width() - 4, 3));
    EXPECT_EQ(channel->checkedId(), kChannelIdMoreItem);
    EXPECT_EQ(channelIdg->value(), 4);  // the up arrow stepped it
    Check(form, "LChannelID", 0);
    QTest::mouseClick(form.findChild<QLineEdit*>("EditLChannelIDG"), Qt::LeftButton);
    EXPECT_EQ(channel->checkedId(), kChannelIdMoreItem);

    ShowPage(form, "TabSheetFile");
    Click(form, "ApplyBtn");
    EXPECT_EQ(form.Settings().file.channelIndex, 3);
    EXPECT_EQ(form.Settings().analysis.memSize, 1001);
    EXPECT_TRUE(dialog.applied.empty());
}

TEST(OptionsDialog, ApplyReadsTypedTextsAndKeepsTheLastValidUpDownPosition) {
    Dialog dialog;
    TOptionForm& form = dialog.form;
    form.show();
    Type(Find<QComboBox>(form, "LMaxFreq")->lineEdit(), "5000");
    Type(Find<QComboBox>(form, "LMaxTime")->lineEdit(), "12");
    Find<QComboBox>(form, "LMinFreq")->setCurrentIndex(2);  // picked from the list: "500"
    Type(form.findChild<QLineEdit*>("EditLHeight"), "5");   // below the range: not taken
    Type(form.findChild<QLineEdit*>("EditLMaxVol"), "-35");
    Click(form, "ApplyBtn");
    const DisplaySettings& display = form.Settings().display;
    EXPECT_EQ(display.maxFreq, 5000.0);
    EXPECT_DOUBLE_EQ(display.maxTime, 0.012);
    EXPECT_EQ(display.minFreq, 500.0);
    EXPECT_EQ(display.imageHeight, 256);
    EXPECT_EQ(display.maxDb, -35.0);
    EXPECT_EQ(dialog.applied, std::vector<int>{0});
}

TEST(OptionsDialog, EnterAppliesAndEscapeHides) {
    Dialog dialog;
    TOptionForm& form = dialog.form;
    form.ShowOptions();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QLineEdit* height = form.findChild<QLineEdit*>("EditLHeight");
    height->setFocus();
    Type(height, "300");
    QTest::keyClick(height, Qt::Key_Return);
    EXPECT_EQ(form.Settings().display.imageHeight, 300);
    EXPECT_EQ(dialog.applied, std::vector<int>{0});
    QTest::keyClick(height, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
}

TEST(OptionsDialog, EachPageAppliesItsOwnCode) {
    Dialog dialog;
    const std::pair<const char*, int> codes[] = {
        {"TabSheetDisp", 0}, {"TabSheetFft", 1},       {"TabSheetCor", 2},
        {"TabSheetCep", 3},  {"TabSheetLif", 4},       {"TabSheetMem", 5},
        {"TabSheetFrq", 6},  {"TabSheetGraphics", -1}, {"TabSheetFile", -1}};
    std::vector<int> expected;
    for (const auto& [page, code] : codes) {
        ShowPage(dialog.form, page);
        EXPECT_EQ(dialog.form.ActivePageCode(), code) << page;
        Click(dialog.form, "ApplyBtn");
        if (code >= 0) expected.push_back(code);
    }
    EXPECT_EQ(dialog.applied, expected);
}

TEST(OptionsDialog, ABadComboTextShowsTheErrorAndStopsAtThatField) {
    Dialog dialog;
    TOptionForm& form = dialog.form;
    Check(form, "LFftSize", 0);                                   // analysis: read before the error
    Type(Find<QComboBox>(form, "LMaxFreq")->lineEdit(), "3000");  // display: read before it
    Type(Find<QComboBox>(form, "LMinFreq")->lineEdit(), "abc");
    Find<QSpinBox>(form, "LHeight")->setValue(300);  // display: after the bad field
    Find<QCheckBox>(form, "BCopyWave")->setChecked(false);
    Find<QSpinBox>(form, "LMaxSoundLength")->setValue(10);
    MessageBoxCatcher catcher;
    Click(form, "ApplyBtn");
    ASSERT_EQ(catcher.Texts().size(), 1);
    EXPECT_TRUE(catcher.Texts()[0].contains("abc")) << catcher.Texts()[0].toStdString();
    EXPECT_TRUE(catcher.Texts()[0].contains("Min freq. [Hz]"));
    const SettingsRecordSet& records = form.Settings();
    EXPECT_EQ(records.analysis.fftSizeLog2, 13);
    EXPECT_EQ(records.display.maxFreq, 3000.0);
    EXPECT_EQ(records.display.imageHeight, 256);
    EXPECT_TRUE(records.imageCopy.copyWave);
    EXPECT_EQ(records.file.maxSoundLength, 120);
    EXPECT_TRUE(dialog.applied.empty());  // nothing recomputed
}

TEST(OptionsDialog, CloseThenReopenShowsTheStoredValuesWhileAppliedOnesStayInUse) {
    Dialog dialog;
    TOptionForm& form = dialog.form;
    form.ShowOptions();
    ASSERT_TRUE(form.isVisible());
    Check(form, "LFftSize", 4);
    Type(Find<QComboBox>(form, "LMaxFreq")->lineEdit(), "4321");
    Find<QCheckBox>(form, "BLogScale")->setChecked(true);
    ShowPage(form, "TabSheetFft");
    Click(form, "ApplyBtn");
    EXPECT_EQ(form.Settings().analysis.fftSizeLog2, 9);
    Type(form.findChild<QLineEdit*>("EditLHeight"), "77");  // neither applied nor registered
    Click(form, "CancelBtn");
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(Find<QSpinBox>(form, "LHeight")->value(), 77);  // hiding keeps the controls

    form.ShowOptions();
    EXPECT_EQ(Find<QButtonGroup>(form, "LFftSize")->checkedId(), 2);
    EXPECT_EQ(Find<QComboBox>(form, "LMaxFreq")->currentText(), "1000");
    EXPECT_FALSE(Find<QCheckBox>(form, "BLogScale")->isChecked());
    EXPECT_EQ(form.findChild<QLineEdit*>("EditLHeight")->text(), "256");
    // The records keep what was applied until the next Apply.
    EXPECT_EQ(form.Settings().analysis.fftSizeLog2, 9);
    EXPECT_EQ(form.Settings().display.maxFreq, 4321.0);

    // Showing an open dialog again changes nothing.
    Check(form, "LFftSize", 0);
    form.ShowOptions();
    EXPECT_EQ(Find<QButtonGroup>(form, "LFftSize")->checkedId(), 0);
}

QByteArray StoredOptions(const QString& folder) {
    QSettings stored(folder + "/Velmora/Tonalyx.200.conf", QSettings::IniFormat);
    return stored.value("Options").toByteArray();
}

TEST(OptionsDialog, TheFirstStartStoresTheFactorySnapshot) {
    Dialog dialog;
    QSettings stored(QSettings::NativeFormat, QSettings::UserScope, "Velmora", "Tonalyx.200");
    EXPECT_EQ(stored.value("Version").toInt(), 123);
    const QByteArray options = stored.value("Options").toByteArray();
    ASSERT_EQ(options.size(), 1728);
    EXPECT_EQ(options.mid(928, 64), QByteArray("1000") + QByteArray(60, '\0'));  // LMaxFreq
    EXPECT_EQ(options.mid(16, 4), QByteArray("\x02\0\0\0", 4));                  // LFftSize
    EXPECT_TRUE(stored.value("History").isNull());  // the recent files are the main window's
}

TEST(OptionsDialog, RegisterAsDefaultPersistsIntoTheNextStart) {
    QTemporaryDir folder;
    {
        Dialog first(folder.path());
        TOptionForm& form = first.form;
        Check(form, "LFftSize", 0);  // "8192"
        Type(Find<QComboBox>(form, "LMaxTime")->lineEdit(), "35");
        Type(form.findChild<QLineEdit*>("EditLHeight"), "5");  // out of range: 256 stays
        Find<QCheckBox>(form, "BDisableAudio")->setChecked(true);
        Click(form, "DefaultBtn");
        EXPECT_TRUE(first.applied.empty());  // no recomputation
        EXPECT_EQ(form.Settings().analysis.fftSizeLog2, 13);
    }
    const QByteArray options = StoredOptions(folder.path());
    ASSERT_EQ(options.size(), 1728);
    EXPECT_EQ(options.mid(16, 4), QByteArray(4, '\0'));
    EXPECT_EQ(options.mid(1196, 64), QByteArray("35") + QByteArray(62, '\0'));
    EXPECT_EQ(options.mid(864, 64), QByteArray("5") + QByteArray(63, '\0'));  // EditLHeight
    EXPECT_EQ(options.mid(1540, 4), QByteArray("\x00\x01\x00\x00", 4));       // LHeight 256
    EXPECT_EQ(options.mid(1724, 4), QByteArray("\x01\x00\x00\x00", 4));       // BDisableAudio

    Dialog second(folder.path());
    TOptionForm& form = second.form;
    EXPECT_EQ(Find<QButtonGroup>(form, "LFftSize")->checkedId(), 0);
    EXPECT_EQ(Find<QComboBox>(form, "LMaxTime")->currentText(), "35");
    EXPECT_EQ(form.findChild<QLineEdit*>("EditLHeight")->text(), "256");  // the position decides
    EXPECT_EQ(form.Settings().analysis.fftSizeLog2, 13);
    EXPECT_DOUBLE_EQ(form.Settings().display.maxTime, 0.035);
    EXPECT_TRUE(form.Settings().file.disableAudio);
}

std::size_t Offset(std::string_view control) {
    return *SnapshotSlotOffset(control);
}

TEST(OptionsDialog, RegisterAsDefaultRefusesATextThatIsNotANumberAndStoresNothing) {
    QTemporaryDir folder;
    Dialog dialog(folder.path());
    TOptionForm& form = dialog.form;
    const QByteArray factory = StoredOptions(folder.path());
    const SettingsRecordSet before = form.Settings();
    Type(Find<QComboBox>(form, "LMaxFreq")->lineEdit(), "1,5");
    Find<QCheckBox>(form, "BDisableAudio")->setChecked(true);
    Check(form, "LChannelID", 1);
    Find<QCheckBox>(form, "BCopyFreq")->setChecked(true);
    MessageBoxCatcher catcher;
    Click(form, "DefaultBtn");
    ASSERT_EQ(catcher.Texts().size(), 1);
    EXPECT_TRUE(catcher.Texts()[0].contains("1,5")) << catcher.Texts()[0].toStdString();
    EXPECT_EQ(StoredOptions(folder.path()), factory);
    EXPECT_EQ(form.Settings().display, before.display);
    EXPECT_EQ(form.Settings().file, before.file);
    EXPECT_EQ(form.Settings().imageCopy, before.imageCopy);
}

// A snapshot stored by an earlier version, with a text that is not a number: the next start
// says so once and still takes every other stored value.
TEST(OptionsDialog, AnUnreadableStoredValueIsReportedOnceAndTheOtherDefaultsAreRead) {
    QTemporaryDir folder;
    { Dialog first(folder.path()); }
    QByteArray options = StoredOptions(folder.path());
    options.replace(static_cast<qsizetype>(Offset("LMaxFreq")), 64,
                    QByteArray("1,5") + QByteArray(61, '\0'));
    options.replace(static_cast<qsizetype>(Offset("LMinFreq")), 64,
                    QByteArray("50") + QByteArray(62, '\0'));
    options[static_cast<qsizetype>(Offset("BDisableAudio"))] = 1;
    options[static_cast<qsizetype>(Offset("LChannelID"))] = 1;
    options[static_cast<qsizetype>(Offset("BCopyFreq"))] = 1;
    {
        IsolatedSettings settings(folder.path());
        QSettings stored(QSettings::NativeFormat, QSettings::UserScope, "Velmora", "Tonalyx.200");
        stored.setValue("Options", options);
    }

    QTemporaryDir dir;
    MessageBoxCatcher catcher;
    StartedProgram program(WriteSineWave(dir, "tone.wav", 8000), folder.path());
    QTest::qWait(50);
    ASSERT_EQ(catcher.Texts().size(), 1);
    EXPECT_TRUE(catcher.Texts()[0].contains("\"1,5\" is not a valid number for \"Max freq. [Hz]\""))
        << catcher.Texts()[0].toStdString();
    const SettingsRecordSet& records = program.options.Settings();
    EXPECT_EQ(records.display.maxFreq, 1000.0);  // the factory value
    EXPECT_EQ(records.display.minFreq, 50.0);
    EXPECT_TRUE(records.file.disableAudio);
    EXPECT_EQ(records.file.channelIndex, 1);
    EXPECT_TRUE(records.imageCopy.copyPowerSpectrum);
    ASSERT_TRUE(program.main.IsFileOpen());
    EXPECT_FALSE(program.main.Action("AAudioPlay")->isEnabled());
}

// What the combo box shows is what the next start shows: its text is limited to the 64 bytes
// the snapshot keeps, and up-down edits are written in plain digits whatever the locale.
TEST(OptionsDialog, StoredTextsReadBackAsTheyWereShownInAnyLocale) {
    QTemporaryDir folder;
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    QString shown;
    {
        Dialog first(folder.path());
        QLineEdit* maxFreq = Find<QComboBox>(first.form, "LMaxFreq")->lineEdit();
        Type(maxFreq, QString(62, '0') + "3500");
        shown = maxFreq->text();
        Find<QSpinBox>(first.form, "LMaxVol")->setValue(-30);
        Click(first.form, "DefaultBtn");
    }
    QLocale::setDefault(previous);
    const QByteArray options = StoredOptions(folder.path());
    EXPECT_EQ(options.mid(static_cast<qsizetype>(Offset("EditLMaxVol")), 4),
              QByteArray("-30") + QByteArray(1, '\0'));
    Dialog second(folder.path());
    EXPECT_EQ(Find<QComboBox>(second.form, "LMaxFreq")->currentText(), shown);
    EXPECT_EQ(Find<QSpinBox>(second.form, "LMaxVol")->value(), -30);
}

TEST(OptionsDialog, AStoredSnapshotOfAnotherSizeGivesWayToTheFactoryOne) {
    QTemporaryDir folder;
    {
        IsolatedSettings settings(folder.path());
        QSettings stored(QSettings::NativeFormat, QSettings::UserScope, "Velmora", "Tonalyx.200");
        stored.setValue("Version", 123);
        stored.setValue("Options", QByteArray(1727, '\0'));
    }
    Dialog dialog(folder.path());
    EXPECT_EQ(Find<QButtonGroup>(dialog.form, "LFftSize")->checkedId(), 2);
    EXPECT_EQ(Find<QSpinBox>(dialog.form, "LHeight")->value(), 256);
    EXPECT_EQ(StoredOptions(folder.path()).size(), 1728);
    EXPECT_EQ(dialog.form.Settings().analysis.fftSizeLog2, 11);
}

// The main window and the dialog together.
class OptionsApply : public ::testing::Test {
protected:
    void SetUp() override {
        program = std::make_unique<StartedProgram>(WriteSineWave(dir, "tone.wav", 16000));
        ASSERT_TRUE(program->main.IsFileOpen());
    }
    TOptionForm& Options() { return program->options; }
    const SpectrogramEngine& Engine() { return program->main.Engine(); }

    QTemporaryDir dir;
    std::unique_ptr<StartedProgram> program;
};

TEST_F(OptionsApply, TheFftPageComputesTheFftSpectrogramWithTheNewSize) {
    Check(Options(), "LFftSize", 4);  // "512"
    ShowPage(Options(), "TabSheetFft");
    Click(Options(), "ApplyBtn");
    EXPECT_EQ(program->main.AnalysisKind(), 1);
    EXPECT_EQ(Engine().Analysis().fftSizeLog2, 9);
    EXPECT_EQ(Engine().FrameLength(), 512);

    // The very columns a direct computation with that size gives.
    SpectrogramEngine direct;
    AnalysisSettings settings;
    settings.fftSizeLog2 = 9;
    ComputeSpectrogramColumns(direct, program->main.Sound(), program->main.Geometry(), 1, settings);
    EXPECT_EQ(direct.Data(), Engine().Data());
}

TEST_F(OptionsApply, TheDisplayPageRendersAgainWithoutComputing) {
    program->main.RunAnalysis(1);
    const SpectrogramData computed = Engine().Data();
    Check(Options(), "LFftSize", 4);  // would change the columns if they were computed again
    Find<QSpinBox>(Options(), "LHeight")->setValue(128);
    ShowPage(Options(), "TabSheetDisp");
    Click(Options(), "ApplyBtn");
    QTest::qWait(20);
    EXPECT_EQ(Engine().ImageHeight(), 128);
    EXPECT_EQ(program->main.findChild<QWidget*>("PaintBoxSpgm")->height(), 128);
    EXPECT_EQ(Engine().FrameLength(), 2048);
    EXPECT_EQ(Engine().Data(), computed);
}

TEST_F(OptionsApply, GraphicsAndFilePagesAndRegisteringRecomputeNothing) {
    program->main.RunAnalysis(1);
    const SpectrogramData computed = Engine().Data();
    Check(Options(), "LFftSize", 4);
    Find<QSpinBox>(Options(), "LHeight")->setValue(128);
    Find<QCheckBox>(Options(), "BCopyWave")->setChecked(false);
    Find<QSpinBox>(Options(), "LMaxSoundLength")->setValue(2);
    for (const char* page : {"TabSheetGraphics", "TabSheetFile"}) {
        ShowPage(Options(), page);
        Click(Options(), "ApplyBtn");
        Click(Options(), "DefaultBtn");
        QTest::qWait(20);
        EXPECT_EQ(Engine().FrameLength(), 2048) << page;
        EXPECT_EQ(Engine().ImageHeight(), 256) << page;
        EXPECT_EQ(Engine().Data(), computed) << page;
    }
    // The records are new all the same; the file settings reach the next open.
    EXPECT_EQ(Options().Settings().analysis.fftSizeLog2, 9);
    EXPECT_FALSE(Options().Settings().imageCopy.copyWave);
    EXPECT_EQ(Options().Settings().file.maxSoundLength, 2);
}

}  // namespace
}  // namespace tonalyx
