#include "ico_file.h"

#include <cstring>

#include "file_io.h"

namespace kvellpack {

namespace {

constexpr size_t kIconDirBytes = 6;
constexpr size_t kIconEntryBytes = 16;
constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool fail(std::string* error, const std::string& why)
{
    *error = why;
    return false;
}

// Bitmap images start with a BITMAPINFOHEADER or one of its longer successors.
bool isBitmapHeader(const Bytes& data)
{
    if (data.size() < 40)
        return false;
    uint32_t size = getLe32(data.data());
    return size == 40 || size == 108 || size == 124;
}

std::string imageName(size_t index, const IconImage& image)
{
    return "image " + std::to_string(index + 1) + " (" + iconSizeText(image.width, image.height) + ")";
}

}  // namespace

std::string iconSizeText(uint8_t width, uint8_t height)
{
    return std::to_string(width == 0 ? 256 : width) + "x" + std::to_string(height == 0 ? 256 : height);
}

bool parseIconFile(const Bytes& bytes, std::vector<IconImage>* images, std::string* error)
{
    images->clear();
    if (bytes.size() < kIconDirBytes || getLe16(&bytes[0]) != 0 || getLe16(&bytes[2]) != 1)
        return fail(error, "is not an icon (it does not start with an icon directory)");
    size_t count = getLe16(&bytes[4]);
    if (count == 0)
        return fail(error, "holds no images");
    if (bytes.size() < kIconDirBytes + kIconEntryBytes * count)
        return fail(error, "is truncated: its directory lists " + std::to_string(count) + " images, but the file ends at " +
                               std::to_string(bytes.size()) + " bytes");
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* entry = &bytes[kIconDirBytes + kIconEntryBytes * i];
        IconImage image;
        image.width = entry[0];
        image.height = entry[1];
        image.colours = entry[2];
        image.planes = getLe16(entry + 4);
        image.bitCount = getLe16(entry + 6);
        uint32_t size = getLe32(entry + 8);
        uint32_t offset = getLe32(entry + 12);
        if (size == 0)
            return fail(error, "has an empty " + imageName(i, image));
        if (offset > bytes.size() || size > bytes.size() - offset)
            return fail(error, "is truncated: " + imageName(i, image) + " would end at " +
                                   std::to_string(static_cast<uint64_t>(offset) + size) + ", after the end of the file at " +
                                   std::to_string(bytes.size()));
        image.data.assign(bytes.begin() + offset, bytes.begin() + offset + size);
        image.png = image.data.size() >= sizeof kPngSignature &&
                    std::memcmp(image.data.data(), kPngSignature, sizeof kPngSignature) == 0;
        if (!image.png && !isBitmapHeader(image.data))
            return fail(error, "has an " + imageName(i, image) + " that is neither a PNG nor a bitmap");
        // Some tools leave these 0; Windows picks images by them.
        if (image.planes == 0)
            image.planes = 1;
        if (image.bitCount == 0)
            image.bitCount = image.png ? 32 : getLe16(&image.data[14]);
        images->push_back(std::move(image));
    }
    return true;
}

}  // namespace kvellpack
