#pragma once
// The pictures drawn when the program was built: premultiplied ARGB pixels,
// row after row, ready to be shown without drawing or decoding anything.

#include <QImage>
#include <cstdint>

struct TImmaginePronta {
    int larghezza, altezza;
    const std::uint32_t* pixel;

    // The image over the pixels themselves, no copy.
    QImage Immagine() const {
        return QImage(reinterpret_cast<const uchar*>(pixel), larghezza, altezza,
                      static_cast<qsizetype>(larghezza) * 4, QImage::Format_ARGB32_Premultiplied);
    }
};

extern const TImmaginePronta ProductPicturePronta;
extern const TImmaginePronta ProductBadgePronta;
extern const TImmaginePronta IconePronte[];  // ImageList2BIGCount of them
