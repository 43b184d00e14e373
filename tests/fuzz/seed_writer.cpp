// Writes the generated seeds of a fuzz target beside those copied from the
// show's content: the damaged inputs found so far, made from their
// descriptions (tests/render/test_content.h) rather than kept as files.
//
//   seed_writer NAME DIR    writes NAME's generated seeds into DIR
#include "test_content.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

using Seeds = std::vector<std::pair<std::string, std::string>>;

// Pictures: the bombs, indices past the palette, and palette pictures of
// every bit depth, interlaced, whose rows use the Paeth filter.
Seeds MakePictureSeeds()
{
    Seeds seeds = {
        { "claims-16384-square-palette.png", MakeClaimingPng(16384, 16384, 1, 3) },
        { "claims-16384-square-grey.png", MakeClaimingPng(16384, 16384, 1, 0) },
        { "claims-8192-square-rgba16.png", MakeClaimingPng(8192, 8192, 16, 6) },
        { "index-past-palette.png", MakeIndexPastPalettePng() },
    };
    for (int bitDepth : { 1, 2, 4, 8 }) {
        PalettePicture picture;
        picture.bitDepth = bitDepth;
        picture.paletteSize = bitDepth == 8 ? 25 : 1 << bitDepth;
        picture.interlaced = true;
        picture.filter = 4;
        seeds.push_back({ "palette-" + std::to_string(bitDepth) + "-bit-adam7.png",
            JoinPngChunks(MakePalettePngChunks(picture)) });
    }
    return seeds;
}

// Meshes: a run of the shortest face lines, the most mesh per byte.
Seeds MakeMeshSeeds()
{
    return { { "face-lines.obj", MakeFaceLinesObj(3000) } };
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: seed_writer NAME DIR\n");
        return 2;
    }
    const std::string name = argv[1], dir = argv[2];
    const Seeds seeds = name == "obj_mesh" ? MakeMeshSeeds()
        : name == "devil" || name == "devil_standin" ? MakePictureSeeds() : Seeds();
    for (const auto& seed : seeds) {
        if (!WriteTestFile(dir + "/" + seed.first, seed.second)) {
            std::fprintf(stderr, "seed_writer: cannot write %s/%s\n", dir.c_str(), seed.first.c_str());
            return 1;
        }
    }
    return 0;
}
