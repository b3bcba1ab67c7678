#include "platform/MidiFileRecorder.h"

#include "platform/Clock.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace platform {

MidiFileRecorder::MidiFileRecorder(QString path, std::chrono::milliseconds saveEvery,
                                   FailureReport onFailure, const Clock* clock)
    : path_(std::move(path)), saveEvery_(saveEvery), onFailure_(std::move(onFailure)),
      clock_(clock), origin_(now()), track_("Zelphor") {
    pending_.reserve(4096);
}

MidiFileRecorder::~MidiFileRecorder() {
    // A recorder never started (only asked about its target) leaves the file alone.
    if (saver_.joinable()) {
        finish();
    }
}

QString MidiFileRecorder::checkTarget() const {
    const QFileInfo target(path_);
    if (target.isDir()) {
        return QStringLiteral("%1 is a folder").arg(path_);
    }
    if (!target.absoluteDir().exists()) {
        return QStringLiteral("the folder %1 does not exist").arg(target.absolutePath());
    }
    QSaveFile probe(path_);
    if (!probe.open(QIODevice::WriteOnly)) {
        return probe.errorString();
    }
    probe.cancelWriting();
    probe.commit();
    return {};
}

void MidiFileRecorder::start() {
    std::lock_guard lock(mutex_);
    if (!saver_.joinable() && !finished_) {
        saver_ = std::thread([this] { saveLoop(); });
    }
}

uint64_t MidiFileRecorder::now() const {
    return clock_ != nullptr ? clock_->nowNanoseconds() : monotonicNanoseconds();
}

void MidiFileRecorder::shortMessage(uint32_t message) {
    const uint64_t now = this->now();
    std::lock_guard lock(mutex_);
    if (!finished_) {
        pending_.push_back({now, message, false});
    }
}

void MidiFileRecorder::reset() {
    const uint64_t now = this->now();
    std::lock_guard lock(mutex_);
    if (!finished_) {
        pending_.push_back({now, 0, true});
    }
}

void MidiFileRecorder::saveLoop() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (wake_.wait_for(lock, saveEvery_, [this] { return stopping_; })) {
            break;
        }
        lock.unlock();
        save();
        lock.lock();
    }
}

void MidiFileRecorder::encode(const Entry& e) {
    const uint64_t ms = e.nanoseconds > origin_ ? (e.nanoseconds - origin_ + 500000) / 1000000 : 0;
    uint8_t bytes[3];
    if (e.reset) {
        for (const uint32_t m : sounding_.resetMessages()) {
            track_.add(ms, bytes, midi::messageBytes(m, bytes));
        }
        return;
    }
    sounding_.onMessage(e.message);
    track_.add(ms, bytes, midi::messageBytes(e.message, bytes));
}

bool MidiFileRecorder::save() {
    std::lock_guard saving(saveMutex_);
    {
        std::lock_guard lock(mutex_);
        taken_.swap(pending_);
    }
    for (const Entry& e : taken_) {
        encode(e);
    }
    taken_.clear();

    const std::vector<uint8_t> bytes = track_.file();
    QSaveFile file(path_);
    QString failure;
    if (!file.open(QIODevice::WriteOnly)) {
        failure = file.errorString();
    } else if (file.write(reinterpret_cast<const char*>(bytes.data()),
                          static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
        failure = file.errorString();
        file.cancelWriting();
        file.commit();
    } else if (!file.commit()) {
        failure = file.errorString();
    }
    if (failure.isEmpty()) {
        failing_ = false;
        ++saves_;
        return true;
    }
    if (!failing_ && onFailure_) {
        onFailure_(QStringLiteral("Cannot save the recording to %1: %2").arg(path_, failure));
    }
    failing_ = true;
    return false;
}

bool MidiFileRecorder::finish() {
    {
        std::lock_guard lock(mutex_);
        if (finished_) {
            return finishedWell_;
        }
        stopping_ = true;
    }
    wake_.notify_all();
    if (saver_.joinable()) {
        saver_.join();
    }
    {
        std::lock_guard saving(saveMutex_);
        failing_ = false;
    }
    const bool saved = save();
    std::lock_guard lock(mutex_);
    finished_ = true;
    finishedWell_ = saved;
    return saved;
}

int MidiFileRecorder::saves() const {
    std::lock_guard lock(saveMutex_);
    return saves_;
}

} // namespace platform
