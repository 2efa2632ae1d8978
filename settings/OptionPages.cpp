#include "settings/OptionPages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "settings/OptionControlTable.h"
#include "settings/OptionWidgetKit.h"
#include "settings/PageControl.h"

namespace tonalyx {

namespace {

constexpr int kPageSpacing = 6;
constexpr int kAxisIndent = 18;  // the X/Y axis boxes sit under their view's box

// A page laid out as a column of controls, top-aligned.
QVBoxLayout* AddPage(PageControl& pages, const char* name, const char* caption) {
    auto* page = new QWidget;
    page->setObjectName(name);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(kPageSpacing);
    pages.AddPage(page, caption);
    return column;
}

QVBoxLayout* GroupColumn(QGroupBox* group) {
    return static_cast<QVBoxLayout*>(group->layout());
}

void BuildAcPage(QVBoxLayout* page) {
    page->addWidget(MakeRadioGroup("LCorSize", "Data size [data]").box);
    page->addWidget(MakeRadioGroup("LCorType", "Type", 1).box);
    page->addWidget(MakeCheckBox("BCorCoefficient", "Coefficient"));
}

void BuildFftPage(QVBoxLayout* page) {
    page->addWidget(MakeRadioGroup("LFftWindow", "Data window").box);
    page->addWidget(MakeRadioGroup("LFftSize", "FFT size [data]").box);
    // Kept in the stored snapshot but never shown.
    QCheckBox* phase = MakeCheckBox("BFftPhase", "Show Phase");
    phase->setVisible(false);
    page->addWidget(phase);
}

void BuildMemPage(QVBoxLayout* page) {
    // Each resampling rate has its own pole count beside it.
    const RadioGroupBox resampling =
        MakeRadioGroup("LResampling", "Resampling rate      &&      Poles num.", 1);
    const char* poles[] = {"LPoleNumN",  "LPoleNumA",  "LPoleNum08",
                           "LPoleNum10", "LPoleNum12", "LPoleNum16"};
    for (int item = 0; item < 6; ++item) {
        resampling.grid->addWidget(MakeUpDown(poles[item]), ItemRow(resampling, item),
                                   ItemNeighbourColumn(resampling, item), Qt::AlignRight);
    }
    page->addWidget(resampling.box);

    const RadioGroupBox memSize = MakeRadioGroup("LMemSize", "MEM size [data] (before resampling)");
    memSize.grid->addWidget(MakeUpDown("LMemSizeN"), ItemRow(memSize, kMemSizeOtherItem),
                            ItemNeighbourColumn(memSize, kMemSizeOtherItem));
    page->addWidget(memSize.box);
}

void BuildPitchPage(QVBoxLayout* page) {
    QGridLayout* fields = MakeFieldGrid();
    AddField(fields, "Min freq. [Hz]", MakeUpDown("LPMinFreq"));
    AddField(fields, "Max freq. [Hz]", MakeUpDown("LPMaxFreq"));
    AddField(fields, "Channel num. [1/Octave]", MakeUpDown("LPOctaveNum"));
    AddField(fields, "S/N threshold [dB]", MakeUpDown("LPSNThreshold"));
    page->addLayout(fields);
}

void BuildCepstrumPage(QVBoxLayout* page) {
    page->addWidget(MakeRadioGroup("LCepWindow", "Data window").box);
    page->addWidget(MakeRadioGroup("LCepSize", "FFT size [data]", 1).box);
}

void BuildLifteringPage(QVBoxLayout* page) {
    page->addWidget(MakeRadioGroup("LLifWindow", "Data Window").box);
    page->addWidget(MakeRadioGroup("LLifSize", "FFT Size [data]").box);
    QGridLayout* fields = MakeFieldGrid();
    AddField(fields, "Standard Deviation[msec]", MakeUpDown("LLifSd"));
    page->addLayout(fields);
}

void BuildDisplayPage(QVBoxLayout* page) {
    QGridLayout* height = MakeFieldGrid();
    AddField(height, "Image height [pixel]", MakeUpDown("LHeight"));
    page->addLayout(height);

    QGroupBox* frequency = MakeGroup("FFT, MEM");
    QGridLayout* frequencyFields = MakeFieldGrid();
    AddField(frequencyFields, "Max freq. [Hz]", MakeComboBox("LMaxFreq"));
    AddField(frequencyFields, "Min freq. [Hz]", MakeComboBox("LMinFreq"));
    frequencyFields->addWidget(MakeCheckBox("BLogScale", "Log scale"), frequencyFields->rowCount(),
                               0, 1, 2);
    AddField(frequencyFields, "Max threshold (Black) [dB]", MakeUpDown("LMaxVol"));
    AddField(frequencyFields, "Min threshold (White) [dB]", MakeUpDown("LMinVol"));
    GroupColumn(frequency)->addLayout(frequencyFields);
    page->addWidget(frequency);

    QGroupBox* lag = MakeGroup("AutoCorrelation, Cepstrum");
    QGridLayout* lagFields = MakeFieldGrid();
    AddField(lagFields, "Max time [msec]", MakeComboBox("LMaxTime"));
    AddField(lagFields, "Min time [msec]", MakeComboBox("LMinTime"));
    AddField(lagFields, "Max threshold (Black) [%]", MakeUpDown("LMaxPer"));
    AddField(lagFields, "Min threshold (White) [%]", MakeUpDown("LMinPer"));
    lagFields->addWidget(MakeCheckBox("BShowAsFreq", "Frequencial scale"), lagFields->rowCount(), 0,
                         1, 2);
    GroupColumn(lag)->addLayout(lagFields);
    page->addWidget(lag);

    QGroupBox* smoothing = MakeGroup("except MEM");
    QGridLayout* smoothingFields = MakeFieldGrid();
    AddField(smoothingFields, MakeCheckBox("BSmoothing", "Smoothing [data]"),
             MakeUpDown("LSmoothing"));
    smoothingFields->addWidget(MakeCheckBox("BInterpolate", "Interpolation"),
                               smoothingFields->rowCount(), 0, 1, 2);
    GroupColumn(smoothing)->addLayout(smoothingFields);
    page->addWidget(smoothing);

    page->addWidget(MakeCheckBox("BBtoRColor", "Show in blue to red color"));
}

// One view of the composite image: its own box, and its two axes under it.
QGroupBox* ImageViewGroup(const char* view, const char* caption) {
    QGroupBox* group = MakeGroup(QString());
    GroupColumn(group)->addWidget(MakeCheckBox(view, caption));
    auto* axes = new QHBoxLayout;
    axes->setContentsMargins(kAxisIndent, 0, 0, 0);
    axes->addWidget(MakeCheckBox(QString("%1X").arg(view).toStdString(), "X axis"));
    axes->addWidget(MakeCheckBox(QString("%1Y").arg(view).toStdString(), "Y axis"));
    axes->addStretch(1);
    GroupColumn(group)->addLayout(axes);
    return group;
}

void BuildGraphicsPage(QVBoxLayout* page) {
    page->addWidget(ImageViewGroup("BCopyWave", "Wave form"));
    page->addWidget(ImageViewGroup("BCopySpgm", "Spectrogram"));
    page->addWidget(ImageViewGroup("BCopyFreq", "Power spectrum"));
}

void BuildFilePage(QVBoxLayout* page) {
    const RadioGroupBox channel = MakeRadioGroup("LChannelID", "Channel #");
    channel.grid->addWidget(MakeUpDown("LChannelIDG"), ItemRow(channel, kChannelIdMoreItem),
                            ItemNeighbourColumn(channel, kChannelIdMoreItem));
    page->addWidget(channel.box);

    QGridLayout* fields = MakeFieldGrid();
    AddField(fields, "Max length of sound [sec]", MakeUpDown("LMaxSoundLength"));
    page->addLayout(fields);
    QCheckBox* disableAudio = MakeCheckBox("BDisableAudio", "Disable Audio");
    disableAudio->setToolTip("Disable playback");
    disableAudio->setStatusTip("Disable playback");
    page->addWidget(disableAudio);
}

}  // namespace

void AddOptionPages(PageControl& pages) {
    struct PageSpec {
        const char* name;
        const char* caption;
        void (*build)(QVBoxLayout*);
    };
    const PageSpec kPageBuilders[] = {
        {"TabSheetCor", "AC", BuildAcPage},
        {"TabSheetFft", "FFT", BuildFftPage},
        {"TabSheetMem", "MEM", BuildMemPage},
        {"TabSheetFrq", "Pitch", BuildPitchPage},
        {"TabSheetCep", "Cepstrum", BuildCepstrumPage},
        {"TabSheetLif", "Liftering", BuildLifteringPage},
        {"TabSheetDisp", "Display", BuildDisplayPage},
        {"TabSheetGraphics", "Graphics", BuildGraphicsPage},
        {"TabSheetFile", "File", BuildFilePage},
    };
    for (const PageSpec& page : kPageBuilders) {
        QVBoxLayout* column = AddPage(pages, page.name, page.caption);
        page.build(column);
        column->addStretch(1);
    }
    // The liftering settings still feed the analysis, but the page is never offered.
    pages.SetTabVisible(kLifteringPageIndex, false);

    // Every number field as wide as the widest needs, so that they line up on every page.
    int fieldWidth = 0;
    for (const QSpinBox* spin : pages.findChildren<QSpinBox*>())
        fieldWidth = std::max(fieldWidth, spin->sizeHint().width());
    for (const QComboBox* combo : pages.findChildren<QComboBox*>())
        fieldWidth = std::max(fieldWidth, combo->sizeHint().width());
    for (QSpinBox* spin : pages.findChildren<QSpinBox*>())
        spin->setFixedWidth(fieldWidth);
    for (QComboBox* combo : pages.findChildren<QComboBox*>())
        combo->setFixedWidth(fieldWidth);
}

}  // namespace tonalyx
