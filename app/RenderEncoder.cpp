#include "app/RenderEncoder.h"

#include <cstring>

namespace app {

RenderEncoder::RenderEncoder(platform::video::MediaWriter& writer)
    : writer_(writer), thread_([this](std::stop_token stop) { write(stop); }) {}

RenderEncoder::~RenderEncoder() {
    thread_.request_stop();
    changed_.notify_all();
}

RenderEncoder::Slot* RenderEncoder::claim(QString* problem) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return count_ < slotCount || !failure_.empty(); });
    if (!failure_.empty()) {
        *problem = QString::fromStdString(failure_);
        return nullptr;
    }
    return &slots_[(head_ + count_) % slotCount];
}

void RenderEncoder::hand() {
    {
        std::lock_guard lock(mutex_);
        ++count_;
    }
    changed_.notify_all();
}

bool RenderEncoder::picture(const QImage& frame, QString* problem) {
    Slot* slot = claim(problem);
    if (slot == nullptr) {
        return false;
    }
    slot->picture = true;
    slot->stride = static_cast<int>(frame.bytesPerLine());
    slot->pixels.resize(static_cast<std::size_t>(frame.sizeInBytes()));
    std::memcpy(slot->pixels.data(), frame.constBits(), slot->pixels.size());
    hand();
    return true;
}

bool RenderEncoder::sound(const float* left, const float* right, int frames, QString* problem) {
    Slot* slot = claim(problem);
    if (slot == nullptr) {
        return false;
    }
    slot->picture = false;
    slot->left.assign(left, left + frames);
    slot->right.assign(right, right + frames);
    hand();
    return true;
}

QString RenderEncoder::drain() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return (count_ == 0 && !writing_) || !failure_.empty(); });
    return QString::fromStdString(failure_);
}

void RenderEncoder::write(std::stop_token stop) {
    for (;;) {
        Slot* slot = nullptr;
        {
            std::unique_lock lock(mutex_);
            if (!changed_.wait(lock, stop, [this] { return count_ > 0; })) {
                return;
            }
            slot = &slots_[head_];
            writing_ = true;
        }
        // The slot at head_ stays ours until it is counted off below.
        std::string why;
        const bool written = slot->picture
                                 ? writer_.writeFrame(slot->pixels.data(), slot->stride, &why)
                                 : writer_.writeSound(slot->left.data(), slot->right.data(),
                                                      static_cast<int>(slot->left.size()), &why);
        {
            std::lock_guard lock(mutex_);
            writing_ = false;
            head_ = (head_ + 1) % slotCount;
            --count_;
            if (!written && failure_.empty()) {
                failure_ = why.empty() ? std::string("the file could not be written") : why;
            }
        }
        changed_.notify_all();
        if (!written) {
            return;
        }
    }
}

} // namespace app
