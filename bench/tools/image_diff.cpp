// zinop-image-diff ORIGINAL.ppm RESULT.ppm: prints "PSNR MEAN_DE76" for two
// binary PPM (P6, maxval 255) pictures of one size: the PSNR in dB over the
// red, green and blue samples together, and the mean CIELAB distance (sRGB,
// D65, CIE 1976) over the pixels. The quality bench feeds it pictures that
// ImageMagick converted, so it stays free of any image library.

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct TPpm {
    int Width = 0;
    int Height = 0;
    std::vector<unsigned char> Samples;
};

// Skips white space and '#' comments between header fields.
void SkipSpace(std::istream& in) {
    for (int c = in.peek(); c != EOF; c = in.peek()) {
        if (c == '#') {
            std::string line;
            std::getline(in, line);
        } else if (std::isspace(c)) {
            in.get();
        } else {
            return;
        }
    }
}

bool ReadPpm(const char* path, TPpm& ppm) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic;
    SkipSpace(in);
    in >> ppm.Width;
    SkipSpace(in);
    in >> ppm.Height;
    SkipSpace(in);
    in >> maxval;
    in.get();  // the single white space before the samples
    if (!in || magic != "P6" || maxval != 255 || ppm.Width < 1 || ppm.Height < 1 ||
        ppm.Width > 65535 || ppm.Height > 65535)
        return false;
    ppm.Samples.resize(size_t(ppm.Width) * ppm.Height * 3);
    in.read(reinterpret_cast<char*>(ppm.Samples.data()), std::streamsize(ppm.Samples.size()));
    return bool(in);
}

using Lab = std::array<double, 3>;

double Linear(int level) {
    const double v = level / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double LabF(double t) { return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116; }

Lab ToLab(int r, int g, int b) {
    const double lr = Linear(r), lg = Linear(g), lb = Linear(b);
    const double x = (0.4124564 * lr + 0.3575761 * lg + 0.1804375 * lb) / 0.95047;
    const double y = 0.2126729 * lr + 0.7151522 * lg + 0.0721750 * lb;
    const double z = (0.0193339 * lr + 0.1191920 * lg + 0.9503041 * lb) / 1.08883;
    const double fx = LabF(x), fy = LabF(y), fz = LabF(z);
    return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

}  // namespace

int main(int argc, char** argv) {
    TPpm a, b;
    if (argc != 3 || !ReadPpm(argv[1], a) || !ReadPpm(argv[2], b) || a.Width != b.Width ||
        a.Height != b.Height) {
        std::fprintf(stderr, "usage: zinop-image-diff ORIGINAL.ppm RESULT.ppm (P6, same size)\n");
        return 2;
    }
    double squared = 0, deltaE = 0;
    const size_t pixels = size_t(a.Width) * a.Height;
    for (size_t i = 0; i < pixels; ++i) {
        const unsigned char* p = &a.Samples[3 * i];
        const unsigned char* q = &b.Samples[3 * i];
        for (int c = 0; c < 3; ++c) squared += double(p[c] - q[c]) * (p[c] - q[c]);
        const Lab x = ToLab(p[0], p[1], p[2]), y = ToLab(q[0], q[1], q[2]);
        deltaE += std::sqrt((x[0] - y[0]) * (x[0] - y[0]) + (x[1] - y[1]) * (x[1] - y[1]) +
                            (x[2] - y[2]) * (x[2] - y[2]));
    }
    const double mse = squared / (3.0 * pixels);
    const double psnr = mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99.0;
    std::printf("%.4f %.4f\n", psnr, deltaE / pixels);
    return 0;
}
