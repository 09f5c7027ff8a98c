// Packs PNG images into one Windows .ico, each stored as PNG (understood by Windows since Vista),
// so the application icon has a hand-rendered image for every size Windows asks for.
//   icopack <out.ico> <in.png>...
// Standard library only: it runs at build time and must not need the Qt runtime on the PATH.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t bigEndian32(const Bytes &b, std::size_t at)
{
    return std::uint32_t(b[at]) << 24 | std::uint32_t(b[at + 1]) << 16 | std::uint32_t(b[at + 2]) << 8
           | std::uint32_t(b[at + 3]);
}

void put16(Bytes &out, unsigned v)
{
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}

void put32(Bytes &out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

struct Image {
    std::string path;
    Bytes data;
    std::uint32_t width = 0, height = 0;
};

// The directory entry needs the size; a PNG keeps it in its first chunk, which must be IHDR.
Image loadPng(const std::string &path)
{
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Image image{path, readFile(path)};
    const Bytes &d = image.data;
    if (d.size() < 24 || !std::equal(signature, signature + 8, d.begin())
        || std::string(d.begin() + 12, d.begin() + 16) != "IHDR")
        throw std::runtime_error(path + " is not a PNG file");
    image.width = bigEndian32(d, 16);
    image.height = bigEndian32(d, 20);
    if (image.width == 0 || image.height == 0 || image.width > 256 || image.height > 256)
        throw std::runtime_error(path + ": an icon image is 1 to 256 pixels on each side");
    return image;
}

Bytes pack(const std::vector<Image> &images)
{
    Bytes out;
    put16(out, 0); // reserved
    put16(out, 1); // type: icon
    put16(out, unsigned(images.size()));
    std::uint32_t offset = 6 + 16 * std::uint32_t(images.size());
    for (const Image &image : images) {
        out.push_back(image.width & 0xFF); // 256 is written as 0
        out.push_back(image.height & 0xFF);
        out.push_back(0); // no palette
        out.push_back(0); // reserved
        put16(out, 1);    // colour planes
        put16(out, 32);   // bits per pixel
        put32(out, std::uint32_t(image.data.size()));
        put32(out, offset);
        offset += std::uint32_t(image.data.size());
    }
    for (const Image &image : images)
        out.insert(out.end(), image.data.begin(), image.data.end());
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: icopack <out.ico> <in.png>...\n");
        return 2;
    }
    try {
        std::vector<Image> images;
        for (int i = 2; i < argc; ++i)
            images.push_back(loadPng(argv[i]));
        const Bytes ico = pack(images);
        const std::string outPath = argv[1];
        std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(ico.data()), std::streamsize(ico.size()));
        out.close();
        if (!out)
            throw std::runtime_error("cannot write " + outPath);
        return 0;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "icopack: %s\n", error.what());
        return 1;
    }
}
