#pragma once

#include "app/Render.h"
#include "platform/video/MediaWriter.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace app {

// Hands a render's pictures and sound to the writer on a thread of its own, a few pictures
// ahead at most: the next picture is drawn while the last one is encoded, and memory stays
// what those few slots hold.
class RenderEncoder final : public RenderTarget {
public:
    explicit RenderEncoder(platform::video::MediaWriter& writer);
    // Stops the thread and joins it; what was handed over and not yet written is dropped.
    ~RenderEncoder() override;
    RenderEncoder(const RenderEncoder&) = delete;
    RenderEncoder& operator=(const RenderEncoder&) = delete;

    // Copy what they are given and return at once, or once a slot is free; false with the
    // writer's reason once a write has failed.
    bool picture(const QImage& frame, QString* problem) override;
    bool sound(const float* left, const float* right, int frames, QString* problem) override;
    // Waits until everything handed over is written: the writer's first failure, or empty.
    QString drain();

private:
    struct Slot {
        bool picture = false;
        int stride = 0;
        std::vector<uint8_t> pixels;
        std::vector<float> left;
        std::vector<float> right;
    };
    static constexpr std::size_t slotCount = 8;

    // The next free slot, or nullptr once the writer has failed.
    Slot* claim(QString* problem);
    void hand();
    void write(std::stop_token stop);

    platform::video::MediaWriter& writer_;
    std::vector<Slot> slots_{slotCount};
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::size_t head_ = 0;  // the next slot to write
    std::size_t count_ = 0; // slots handed over and not yet written
    bool writing_ = false;  // the writer holds the slot at head_
    std::string failure_;
    std::jthread thread_;
};

} // namespace app
