// The player's recording mode, run as a process: a short show recorded at 320x180 and 30 fps,
// decoded back with FFmpeg's libraries; and the errors that must leave nothing behind.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numeric>

#include <SDL_image.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "content/BinaryWriter.h"
#include "show/Demo.h"
#include "content/Json.h"
#include "show/ProjectFile.h"
#include "tests/TestSupport.h"

namespace fs = std::filesystem;
using testing_support::ScratchDir;

namespace {

constexpr int kRate = 44100;
constexpr int kClickValue = 1000;

void put(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

std::vector<uint8_t> wavFile(const std::vector<int16_t>& values) {
    std::vector<uint8_t> out;
    for (const char* part : {"RIFF", "", "WAVEfmt "})
        if (*part) out.insert(out.end(), part, part + std::strlen(part)); else put(out, 36 + uint32_t(values.size()) * 2, 4);
    for (uint32_t v : {16u, 1u | (2u << 16), uint32_t(kRate), uint32_t(kRate) * 4, 4u | (16u << 16)}) put(out, v, 4);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put(out, uint32_t(values.size()) * 2, 4);
    for (int16_t v : values) put(out, uint16_t(v), 2);
    return out;
}

// Three tones that never line up again within the show: any shift of the audio shows.
std::vector<int16_t> music(int frames) {
    std::vector<int16_t> values(size_t(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const double v = 6000 * (std::sin(2 * M_PI * 220 * t) + std::sin(2 * M_PI * 331 * t) + std::sin(2 * M_PI * 497 * t));
        values[size_t(i) * 2] = values[size_t(i) * 2 + 1] = int16_t(std::lround(v));
    }
    return values;
}

// bpm 120 and beat offset 0.5: 2 s to the end beat 3.5. The grey level of the picture's left half
// is (beat + 0.5) / 4, that of its right half the sound level / 16384; a click of 0.25 s fires at
// beat 1.5, one second in.
void writeShow(const fs::path& folder, float endBeat, const std::vector<int16_t>& musicValues) {
    fs::create_directories(folder / "resources");
    testing_support::writeFile(folder / "resources/default.vert",
                               "#version 150\nin vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n");
    testing_support::writeFile(folder / "resources/beat.frag",
                               "#version 150\nuniform float beat;\nuniform int sound;\nuniform vec2 resolution;\n"
                               "out vec4 colour;\nvoid main() {\n"
                               "  float grey = gl_FragCoord.x < resolution.x * 0.5 ? (beat + 0.5) / 4.0 : sound / 16384.0;\n"
                               "  colour = vec4(vec3(grey), 1.0);\n}\n");
    testing_support::writeFile(folder / "resources/click.wav",
                               wavFile(std::vector<int16_t>(size_t(kRate / 4) * 2, kClickValue)));
    const std::vector<uint8_t> musicFile = wavFile(musicValues);
    content::Json project = {
        {"bpm", 120.0}, {"beat_offset", 0.5}, {"end_beat", endBeat}, {"music_sample_rate", kRate},
        {"music", content::base64Encode(musicFile.data(), musicFile.size())},
        {"shaders", {{{"vertex_shader_filename", "resources/default.vert"}, {"fragment_shader_filename", "resources/beat.frag"}}}},
        {"effects", {{{"name", "beat"}, {"program", "resources/beat.frag"}}}},
        {"audio_samples", {{{"name", "resources/click.wav"}}}},
        {"events", {{{"type", 1}, {"name", "beat"}, {"effect", "beat"}, {"start_beat", -1.0}, {"end_beat", 100.0}, {"visible", "true"}},
                    {{"type", 2}, {"name", "click"}, {"audio_sample", "resources/click.wav"}, {"beat", 1.5}, {"visible", "true"}}}}};
    testing_support::writeFile(folder / "project.json", project.dump());
    Demo demo;
    content::readProjectFile(folder / "project.json", demo);
    content::BinaryWriter out;
    demo.writeBinary(out);
    testing_support::writeFile(folder / "show.dat", out.bytes());
}

int record(const fs::path& folder, const std::string& arguments) {
    const std::string command = "cd '" + folder.string() + "' && env -u DISPLAY '" + testing_support::toolPath("demoplayer") +
                                "' " + arguments + " > record.log 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Decoded {
    int width = 0, height = 0;
    std::vector<int> luma;  // of every frame, a quarter across and half-way up
    std::vector<float> left;      // the sound's left channel
};

// Every frame and every sound sample of a file, through the same libraries that wrote it.
Decoded decode(const fs::path& file) {
    Decoded result;
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, file.c_str(), nullptr, nullptr) < 0) return result;
    avformat_find_stream_info(input, nullptr);
    std::vector<AVCodecContext*> decoders(input->nb_streams);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        decoders[i] = avcodec_alloc_context3(avcodec_find_decoder(input->streams[i]->codecpar->codec_id));
        avcodec_parameters_to_context(decoders[i], input->streams[i]->codecpar);
        avcodec_open2(decoders[i], nullptr, nullptr);
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&](AVCodecContext* decoder) {
        while (avcodec_receive_frame(decoder, frame) == 0) {
            if (decoder->codec_type == AVMEDIA_TYPE_VIDEO) {
                result.width = frame->width, result.height = frame->height;
                result.luma.push_back(frame->data[0][frame->height / 2 * frame->linesize[0] + frame->width / 4]);
            } else {
                const auto* left = reinterpret_cast<const float*>(frame->extended_data[0]);
                result.left.insert(result.left.end(), left, left + frame->nb_samples);
            }
        }
    };
    while (av_read_frame(input, packet) == 0) {
        AVCodecContext* decoder = decoders[size_t(packet->stream_index)];
        avcodec_send_packet(decoder, packet);
        drain(decoder);
        av_packet_unref(packet);
    }
    for (AVCodecContext* decoder : decoders) avcodec_send_packet(decoder, nullptr), drain(decoder), avcodec_free_context(&decoder);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&input);
    return result;
}

std::vector<int16_t> wavValues(const fs::path& file) {
    const std::vector<uint8_t> bytes = testing_support::readFile(file);
    std::vector<int16_t> values(bytes.size() > 44 ? (bytes.size() - 44) / 2 : 0);
    std::memcpy(values.data(), bytes.data() + 44, values.size() * 2);
    return values;
}

// The root mean square of a - b over [from, to) with b shifted by `shift`, relative to that of a.
double relativeRms(const std::vector<float>& a, const std::vector<float>& b, int from, int to, int shift) {
    double difference = 0, signal = 0;
    for (int i = from; i < to; ++i) {
        difference += std::pow(a[size_t(i)] - b[size_t(i + shift)], 2);
        signal += std::pow(a[size_t(i)], 2);
    }
    return std::sqrt(difference / signal);
}

}  // namespace

TEST(RecorderGLTest, ShortShowRecordsFrameExactPicturesAndItsSound) {
    ScratchDir dir("record-short");
    const std::vector<int16_t> musicValues = music(3 * kRate);
    writeShow(dir.path(), 3.5f, musicValues);
    ASSERT_EQ(record(dir.path(), "--record show.mp4 --frames frames --size 320x180 --fps 30 show.dat"), 0)
        << testing_support::readFile(dir.path() / "record.log").data();

    const Decoded video = decode(dir.path() / "show.mp4");
    EXPECT_EQ(video.width, 320);
    EXPECT_EQ(video.height, 180);
    ASSERT_EQ(video.luma.size(), 60u);  // 2 s at 30 fps
    for (size_t n = 0; n < video.luma.size(); ++n) {
        const double beat = double(n) / 30 * 120 / 60 - 0.5;
        const double grey = (beat + 0.5) / 4 * 255;
        EXPECT_NEAR(video.luma[n], 16 + grey * 219 / 255, 1.5) << "frame " << n << ", one frame is 3.6 apart";
    }

    // Before the click's block the mix is the music itself; from it on, the ducked music plus the click.
    const std::vector<int16_t> mixed = wavValues(dir.path() / "frames/audio.wav");
    ASSERT_EQ(mixed.size(), size_t(2 * kRate) * 2);
    const size_t onset = 43 * 1024;  // the block that holds 1 s
    EXPECT_TRUE(std::equal(mixed.begin(), mixed.begin() + onset * 2, musicValues.begin()));
    for (size_t frame : {onset, onset + 777})
        EXPECT_EQ(mixed[frame * 2], musicValues[frame * 2] * 100 / 128 + kClickValue) << "frame " << frame;
    EXPECT_TRUE(fs::exists(dir.path() / "frames/frame_000059.png"));
    EXPECT_FALSE(fs::exists(dir.path() / "frames/frame_000060.png"));
    // The sound level of frame n is that of the last block mixed before its time, as live.
    for (int n : {0, 1, 17, 44}) {
        const size_t block = size_t(n) * kRate / 30 / 1024;
        int level = 0;
        for (size_t i = 0; block > 0 && i < 100; ++i) level += std::abs(mixed[(block - 1) * 2048 + i]);
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.png", n);
        SDL_Surface* picture = IMG_Load((dir.path() / "frames" / name).c_str());
        ASSERT_NE(picture, nullptr) << name;
        const auto* pixel = static_cast<const uint8_t*>(picture->pixels) + 90 * picture->pitch + 240 * picture->format->BytesPerPixel;
        EXPECT_NEAR(pixel[0], level / 100 / 16384.0 * 255, 1.0) << name;
        SDL_FreeSurface(picture);
    }
    // A second recording is the same, picture for picture and sample for sample.
    ASSERT_EQ(record(dir.path(), "--frames again --size 320x180 --fps 30 show.dat"), 0);
    for (const char* file : {"audio.wav", "frame_000000.png", "frame_000031.png", "frame_000059.png"})
        EXPECT_EQ(testing_support::readFile(dir.path() / "frames" / file),
                  testing_support::readFile(dir.path() / "again" / file)) << file;

    // The AAC track against the mix, up to the click, where the sound is the music alone.
    std::vector<float> expected(onset);
    for (size_t i = 0; i < onset; ++i) expected[i] = float(mixed[i * 2]) / 32768.0f;
    ASSERT_GE(video.left.size(), size_t(2 * kRate) - 2048);
    EXPECT_LT(relativeRms(expected, video.left, 2048, int(onset) - 2048, 0), 0.05);
}

TEST(RecorderGLTest, ErrorsExitWithOneLineAndLeaveNothingBehind) {
    ScratchDir dir("record-errors");
    writeShow(dir.path(), 20000.0f, music(kRate / 10));
    fs::create_directory(dir.path() / "taken");
    testing_support::writeFile(dir.path() / "taken/keep.txt", "mine");
    const std::pair<const char*, const char*> cases[] = {
        {"--record out.mp4 show.dat", "never ends"},
        {"--record missing/out.mp4 --end 1 show.dat", "cannot write"},
        {"--record out.xyz --end 1 show.dat", "no video container"},
        {"--record out.gif --end 1 show.dat", "cannot hold H.264"},
        {"--record out.mp4 --size 322x181 --end 1 show.dat", "even"},
        {"--frames taken --end 1 show.dat", "not an empty folder"},
    };
    for (const auto& [arguments, message] : cases) {
        EXPECT_EQ(record(dir.path(), arguments), 1) << arguments;
        const std::vector<uint8_t> log = testing_support::readFile(dir.path() / "record.log");
        const std::string text(log.begin(), log.end());
        EXPECT_NE(text.find(message), std::string::npos) << arguments << ": " << text;
        for (const char* left : {"out.mp4", "out.mp4.part", "out.xyz", "out.xyz.part", "out.gif", "out.gif.part",
                                 "taken.part"})
            EXPECT_FALSE(fs::exists(dir.path() / left)) << arguments << " left " << left;
    }
    EXPECT_TRUE(fs::exists(dir.path() / "taken/keep.txt"));
}

// "frames/" names the folder "frames", new or empty.
TEST(RecorderGLTest, FrameFolderNamedWithASlashMayBeNewOrEmpty) {
    ScratchDir dir("record-slash");
    writeShow(dir.path(), 20000.0f, music(kRate / 10));
    fs::create_directory(dir.path() / "empty");
    for (const char* folder : {"fresh", "empty"}) {
        EXPECT_EQ(record(dir.path(), std::string("--frames ") + folder + "/ --size 32x18 --fps 4 --end 1 show.dat"), 0)
            << testing_support::readText(dir.path() / "record.log");
        EXPECT_TRUE(fs::exists(dir.path() / folder / "frame_000001.png")) << folder;
        EXPECT_TRUE(fs::exists(dir.path() / folder / "audio.wav")) << folder;
        EXPECT_FALSE(fs::exists(dir.path() / (std::string(folder) + ".part"))) << folder;
    }
}

// The same show recorded (audio.wav) and played live into SDL's disk audio driver, the live
// stream aligned on the offline one where both hear the music alone, half a second in (live, the
// loading-done sound plays over the first third of a second, which a recording leaves out).
struct BothMixes {
    std::vector<int16_t> offline, heard;
    size_t shift = 0;  // heard[shift + i] is offline[i]
    size_t frames = 0;  // frames compared, short of the end where the live show may stop early
};
constexpr size_t kProbe = kRate / 2;

void recordAndPlay(const fs::path& folder, BothMixes& mixes) {
    ASSERT_EQ(record(folder, "--frames frames --size 64x36 --fps 30 show.dat"), 0);
    const std::string live = "cd '" + folder.string() + "' && env SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=live.raw '" +
                             testing_support::toolPath("demoplayer") + "' --window 64x36 show.dat > live.log 2>&1";
    ASSERT_EQ(std::system(live.c_str()), 0);
    mixes.offline = wavValues(folder / "frames/audio.wav");
    const std::vector<uint8_t> bytes = testing_support::readFile(folder / "live.raw");
    mixes.heard.resize(bytes.size() / 2);
    std::memcpy(mixes.heard.data(), bytes.data(), mixes.heard.size() * 2);
    const size_t probeLength = 256;
    const auto probe = mixes.offline.begin() + kProbe * 2;
    while (mixes.shift + kProbe + probeLength <= mixes.heard.size() / 2 &&
           !std::equal(probe, probe + probeLength * 2, mixes.heard.begin() + (mixes.shift + kProbe) * 2))
        ++mixes.shift;
    mixes.frames = mixes.offline.size() / 2 - 4096;
    ASSERT_GE(mixes.heard.size() / 2, mixes.shift + mixes.frames) << "no aligned live music";
}

bool sameBetween(const BothMixes& mixes, size_t from, size_t to) {
    return std::equal(mixes.offline.begin() + from * 2, mixes.offline.begin() + to * 2,
                      mixes.heard.begin() + (mixes.shift + from) * 2);
}

// The music (1.5 s) loops before the end (2 s). The click's event lasts a beat, so the click plays
// twice (it may start again once it has ended).
TEST(RecorderGLTest, OfflineMixMatchesTheLiveMix) {
    ScratchDir dir("record-live");
    const std::vector<int16_t> tones = music(kRate * 3 / 2);
    writeShow(dir.path(), 3.5f, tones);
    BothMixes mixes;
    recordAndPlay(dir.path(), mixes);
    if (HasFatalFailure()) return;
    auto clickStart = [&](const std::vector<int16_t>& values, size_t from) {
        size_t i = kProbe;
        while (i < mixes.frames && values[(from + i) * 2] == tones[i % (tones.size() / 2) * 2]) ++i;
        return i;
    };
    const size_t offlineClick = clickStart(mixes.offline, 0), liveClick = clickStart(mixes.heard, mixes.shift);
    // The live sample starts on the frame clock, which a busy machine's audio thread may trail by
    // a few blocks of 1024 frames.
    EXPECT_NEAR(double(liveClick), double(offlineClick), 4096.0) << "the first click's onsets";
    EXPECT_TRUE(sameBetween(mixes, kRate * 8 / 5, mixes.frames)) << "after the clicks, past the loop point";
    // Each click and each return of the volume may fall one block apart, the rest is the same.
    std::vector<float> a(mixes.frames), b(mixes.frames);
    for (size_t i = 0; i < mixes.frames; ++i) a[i] = mixes.offline[i * 2], b[i] = mixes.heard[(mixes.shift + i) * 2];
    EXPECT_LT(relativeRms(a, b, int(kProbe), int(mixes.frames), 0), 0.12);
}

// A four-channel module whose only pattern plays a looped square wave and jumps back to its start
// after 9 rows (1.08 s): up to that jump libmodplug renders offline exactly what SDL_mixer plays.
TEST(RecorderGLTest, ModuleMusicMatchesTheLivePlayer) {
    std::vector<int16_t> none;
    ScratchDir dir("record-module");
    writeShow(dir.path(), 3.5f, none);
    std::vector<uint8_t> module(1084 + 1024, 0);
    const uint8_t sample[8] = {2, 0, 0, 64, 0, 0, 2, 0};  // 1024 bytes, volume 64, looped whole
    std::copy(sample, sample + 8, module.begin() + 42);
    module[950] = 1;
    module[951] = 127;
    std::copy_n("M.K.", 4, module.begin() + 1080);
    const uint8_t note[4] = {0x01, 0xAC, 0x10, 0x00}, jump[4] = {0x00, 0x00, 0x0B, 0x00};
    std::copy(note, note + 4, module.begin() + 1084);
    std::copy(jump, jump + 4, module.begin() + 1084 + 8 * 16);
    for (int i = 0; i < 1024; ++i) module.push_back(i / 16 % 2 ? 0xC0 : 0x40);
    const std::vector<uint8_t> text = testing_support::readFile(dir.path() / "project.json");
    content::Json project = content::Json::parse(std::string(text.begin(), text.end()));
    project["music"] = content::base64Encode(module.data(), module.size());
    project.erase("audio_samples");
    project["events"].erase(1);
    testing_support::writeFile(dir.path() / "project.json", project.dump());
    Demo demo;
    content::readProjectFile(dir.path() / "project.json", demo);
    content::BinaryWriter out;
    demo.writeBinary(out);
    testing_support::writeFile(dir.path() / "show.dat", out.bytes());
    BothMixes mixes;
    recordAndPlay(dir.path(), mixes);
    if (HasFatalFailure()) return;
    EXPECT_GT(*std::max_element(mixes.offline.begin(), mixes.offline.end()), 1000) << "the module is heard";
    EXPECT_TRUE(sameBetween(mixes, kProbe, kRate * 27 / 25));
}
