// Truevision TGA images to and from QImage.
//
// Reads image types 1, 2, 3 (uncompressed colour-mapped, true-colour, greyscale) and 9, 10,
// 11 (their run-length versions) with 1, 8, 16, 24 or 32 bits per pixel; writes uncompressed
// images with the TGA 2.0 footer.
//
// Bitmaps: 1 bit is QImage::Format_Mono, 8 bits Format_Indexed8, 16 bits Format_RGB555,
// 24 bits Format_BGR888 (blue, green, red in memory), 32 bits Format_ARGB32.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TVellqTarga
{
public:
    // Output modes of the readers.
    enum TMode : int
    {
        tmKeep = 0,  // the image's own depth
        tmEight = 1, // 8 bits per pixel
        tmTrue = 2   // 24 bits per pixel
    };
    // Depths of the writer.
    enum TDepth : int
    {
        tdKeep = 0,
        td16 = 1,
        td24 = 2
    };

    static constexpr const char* InvalidText = "Invalid TGA file!";

    // Reads a file. False with ErrorText "Invalid TGA file!" and a 1 x 1 bitmap for a header
    // this reader does not accept; a file that cannot be opened raises EFOpenError.
    bool LoadFromFile(const std::string& fileName, int mode, QImage& bitmap);
    // The same from memory. A short image keeps the pixels that were present; the rest stay
    // as the bitmap was initialised (zero).
    bool LoadFromMemory(const void* data, size_t size, int mode, QImage& bitmap);
    // Writes the bitmap (converted first for depth td16 or td24) through a temporary file.
    // False when the bitmap is empty or has a depth this writer cannot store.
    bool SaveToFile(const std::string& fileName, const QImage& bitmap, int depth);
    // The file's bytes.
    static std::vector<uint8_t> Encode(const QImage& bitmap, int depth);

    const std::string& ErrorText() const { return FErrorText; }

private:
    std::string FErrorText;
};
