#include "app/OverlayMeasurements.h"

#include <QMetaObject>

#include "settings/OverlaySettings.h"

namespace tonalyx {

namespace {

// Thrown through the measurement by its progress callback to stop it early.
struct Stopped {};

constexpr int kProgressSteps = 20;

std::string Key(std::initializer_list<double> values) {
    std::string key;
    for (const double value : values)
        key += OverlayNumberText(value) + ";";
    return key;
}

}  // namespace

template <typename Table>
void OverlayMeasurements::Job<Table>::Stop() {
    ++generation_;  // whatever the old worker has posted is not taken
    if (stop_) *stop_ = true;
    if (worker_.joinable()) worker_.join();
}

template <typename Table>
void OverlayMeasurements::Job<Table>::Start(OverlayMeasurements& owner, const std::string& key,
                                            Work work) {
    if (key == key_ && (done_ || Busy())) return;
    Stop();
    done_ = failed_ = false;
    key_ = key;
    stop_ = std::make_shared<std::atomic<bool>>(false);
    const int generation = generation_;
    const auto finish = [this, &owner, generation](std::optional<Table> table, QString failure) {
        QMetaObject::invokeMethod(
            &owner,
            [this, &owner, generation, table = std::move(table), failure]() mutable {
                if (generation != generation_) return;
                if (table) table_ = std::move(*table);
                done_ = table.has_value();
                failed_ = !done_;
                emit owner.Finished(failure);
            },
            Qt::QueuedConnection);
    };
    worker_ = std::thread(
        [&owner, stop = stop_, work = std::move(work), finish, samples = owner.samples_] {
            MeasureRun run;
            auto shown = std::make_shared<int>(-1);
            run.progress = [stop, shown, &owner](std::int64_t done, std::int64_t frames) {
                if (*stop) throw Stopped{};
                const int step = frames > 0 ? static_cast<int>(kProgressSteps * done / frames) : 0;
                if (step == *shown) return;
                *shown = step;
                QMetaObject::invokeMethod(
                    &owner, [&owner, step] { emit owner.Progress(double(step) / kProgressSteps); },
                    Qt::QueuedConnection);
            };
            try {
                finish(work(*samples, run), {});
            } catch (const Stopped&) {
            } catch (const std::exception& error) {
                finish(std::nullopt, QString::fromStdString(error.what()));
            }
        });
}

OverlayMeasurements::OverlayMeasurements(QObject* parent) : QObject(parent) {}

OverlayMeasurements::~OverlayMeasurements() {
    formants_.Stop();
    intensity_.Stop();
}

void OverlayMeasurements::SetSound(std::vector<std::int16_t> samples, int sampleRate) {
    Clear();
    samples_ = std::make_shared<const std::vector<std::int16_t>>(std::move(samples));
    sampleRate_ = sampleRate;
}

void OverlayMeasurements::Clear() {
    formants_.Drop();
    intensity_.Drop();
    samples_.reset();
}

void OverlayMeasurements::MeasureFormants(const FormantSettings& settings) {
    if (!samples_) return;
    const std::string key =
        Key({settings.ceilingHz, double(settings.autoCeiling), double(settings.count),
             settings.windowSeconds, settings.stepSeconds, settings.preEmphasisHz,
             double(settings.track)});
    formants_.Start(*this, key,
                    [settings, rate = sampleRate_](const std::vector<std::int16_t>& samples,
                                                   const MeasureRun& run) {
                        return tonalyx::MeasureFormants(samples, rate, settings, run);
                    });
}

void OverlayMeasurements::MeasureIntensity(const IntensitySettings& settings) {
    if (!samples_) return;
    const std::string key = Key({settings.minPitchHz, settings.stepSeconds});
    intensity_.Start(*this, key,
                     [settings, rate = sampleRate_](const std::vector<std::int16_t>& samples,
                                                    const MeasureRun& run) {
                         return tonalyx::MeasureIntensity(samples, rate, settings, run);
                     });
}

}  // namespace tonalyx
