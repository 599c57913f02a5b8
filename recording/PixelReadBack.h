// Reads finished frames back from the default frame buffer through a ring of pixel buffer
// objects, so that the GPU copies a frame while the next one is drawn and the pixels are taken
// a frame or two later without waiting.
#pragma once
#include <cstdint>
#include <vector>

class PixelReadBack {
public:
    // `delay` frames stay in flight; 0 reads each frame back at once, waiting for the GPU.
    PixelReadBack(int width, int height, int delay);
    ~PixelReadBack();
    PixelReadBack(const PixelReadBack&) = delete;
    PixelReadBack& operator=(const PixelReadBack&) = delete;

    // Starts copying the frame just drawn.
    void capture();
    // Frames captured and not taken yet.
    int inFlight() const { return captured_ - taken_; }
    int delay() const { return delay_; }
    // The oldest captured frame as bottom-up RGBA, valid until release().
    const uint8_t* take();
    void release();

private:
    int width_, height_, delay_;
    std::vector<uint32_t> buffers_;
    int captured_ = 0, taken_ = 0;
};
