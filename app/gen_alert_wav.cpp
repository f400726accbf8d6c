// Writes the program's click sound: a short, soft tick as 16-bit mono PCM.
// Usage: gen_alert_wav <output.wav>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

void put16(std::vector<unsigned char>& out, std::uint16_t v)
{
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

void put32(std::vector<unsigned char>& out, std::uint32_t v)
{
    put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

void putTag(std::vector<unsigned char>& out, const char* tag)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(tag[i]));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.wav>\n", argv[0]);
        return 2;
    }
    constexpr std::uint32_t rate = 22050;
    constexpr double seconds = 0.045;
    constexpr double pi = 3.14159265358979323846;
    const auto frames = static_cast<std::uint32_t>(rate * seconds);

    // Two damped tones, a high one for the attack and a lower body, with a
    // few samples of fade-in so the start does not pop.
    std::vector<std::int16_t> samples(frames);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double attack = std::fmin(1.0, i / 20.0);
        const double v = 0.55 * std::sin(2 * pi * 2400 * t) * std::exp(-t * 180)
                       + 0.35 * std::sin(2 * pi * 900 * t) * std::exp(-t * 90);
        samples[i] = static_cast<std::int16_t>(std::lround(attack * v * 32767 * 0.6));
    }

    const std::uint32_t dataBytes = frames * 2;
    std::vector<unsigned char> out;
    putTag(out, "RIFF");
    put32(out, 36 + dataBytes);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put32(out, 16);
    put16(out, 1);         // PCM
    put16(out, 1);         // mono
    put32(out, rate);
    put32(out, rate * 2);  // bytes per second
    put16(out, 2);         // block align
    put16(out, 16);        // bits per sample
    putTag(out, "data");
    put32(out, dataBytes);
    for (std::int16_t s : samples)
        put16(out, static_cast<std::uint16_t>(s));

    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    if (std::fclose(f) != 0 || !ok) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
