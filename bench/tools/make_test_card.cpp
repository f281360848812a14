// Writes the deterministic test card as a 24-bit BMP:
//   zinop-test-card WIDTH HEIGHT OUT.bmp
// samples/test-card.bmp was made with "zinop-test-card 320 240"; the
// benchmarks use the same picture at 4000 x 3000 (12 megapixels).

#include <cstdio>
#include <cstdlib>

#include "bench/test_card.h"
#include "formats/bmp.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: zinop-test-card WIDTH HEIGHT OUT.bmp\n");
        return 2;
    }
    const int width = std::atoi(argv[1]);
    const int height = std::atoi(argv[2]);
    if (width < 1 || height < 1 || width > 20000 || height > 20000) {
        std::fprintf(stderr, "zinop-test-card: WIDTH and HEIGHT must be in 1..20000\n");
        return 2;
    }
    TPictureRecord card = MakeTestCard(width, height);
    card.FileName = argv[3];
    if (!SaveBmp(card)) {
        std::fprintf(stderr, "zinop-test-card: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
