#pragma once

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "analysis/Intensity.h"
#include "formants/Formants.h"

namespace tonalyx {

// The formants and the intensity of the open sound, measured for the overlays off the user
// interface thread. Each is measured over the whole sound once for its settings, as
// tonalyx-cli measures a file, so that every view, scroll and zoom draws at once from the
// same frames the exported table holds. A new request stops the measurement in progress.
class OverlayMeasurements : public QObject {
    Q_OBJECT
public:
    explicit OverlayMeasurements(QObject* parent = nullptr);
    ~OverlayMeasurements() override;

    // A new sound (a copy of its samples is kept for the workers): every result is dropped.
    void SetSound(std::vector<std::int16_t> samples, int sampleRate);
    void Clear();

    // Starts the measurement unless its result for these settings is there or on its way.
    void MeasureFormants(const FormantSettings& settings);
    void MeasureIntensity(const IntensitySettings& settings);

    // The results, when done for the settings last asked for.
    const FormantTable* Formants() const { return formants_.Result(); }
    const IntensityTable* Intensity() const { return intensity_.Result(); }
    bool Busy() const { return formants_.Busy() || intensity_.Busy(); }

signals:
    // A measurement finished (or failed, with its reason); the overlays can be redrawn.
    void Finished(const QString& failure);
    // The part done of the measurement in progress, 0 to 1.
    void Progress(double fraction);

private:
    // One measurement on a worker thread of its own; its table is handed over on the user
    // interface thread.
    template <typename Table>
    class Job {
    public:
        using Work = std::function<Table(const std::vector<std::int16_t>&, const MeasureRun&)>;
        ~Job() { Stop(); }
        const Table* Result() const { return done_ ? &table_ : nullptr; }
        bool Busy() const { return worker_.joinable() && !done_ && !failed_; }
        void Stop();
        void Drop() {
            Stop();
            done_ = failed_ = false;
            key_.clear();
        }
        void Start(OverlayMeasurements& owner, const std::string& key, Work work);

    private:
        std::thread worker_;
        std::shared_ptr<std::atomic<bool>> stop_;
        std::string key_;  // the settings of the table held or on its way
        Table table_;
        bool done_ = false;
        bool failed_ = false;
        int generation_ = 0;
    };

    std::shared_ptr<const std::vector<std::int16_t>> samples_;
    int sampleRate_ = 0;
    Job<FormantTable> formants_;
    Job<IntensityTable> intensity_;
};

}  // namespace tonalyx
