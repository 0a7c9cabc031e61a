// Run by the build: draws the product pictures and the tool-bar pictures once
// and writes their pixels as a C++ source, so starting the program costs no
// drawing, no font look-up for them and no decoding.
//
//   brivano_prepara_immagini OUTPUT.cpp
#include <QGuiApplication>
#include <cstdio>
#include <fstream>
#include <string>

#include "ui/DisegniProdotto.h"
#include "ui/ImageList.h"

namespace {

// The pixels as an array, and the picture's entry ("{w, h, pixels}").
std::string Scrivi(std::ofstream& out, const std::string& nome, const QImage& disegno) {
    const QImage image = disegno.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    out << "static const std::uint32_t " << nome << "Pixel[] = {";
    for (int y = 0; y < image.height(); ++y) {
        const auto* riga = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((y * image.width() + x) % 8 == 0) out << "\n";
            char cifre[16];
            std::snprintf(cifre, sizeof cifre, "0x%08xu,", riga[x]);
            out << cifre;
        }
    }
    out << "};\n";
    return "{" + std::to_string(image.width()) + ", " + std::to_string(image.height()) + ", " +
           nome + "Pixel}";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.cpp\n", argv[0]);
        return 2;
    }
    QGuiApplication app(argc, argv);
    std::ofstream out(argv[1], std::ios::trunc);
    out << "// Written by brivano_prepara_immagini when the program is built.\n"
           "#include \"ui/ImmaginiPronte.h\"\n\n";
    const std::string picture = Scrivi(out, "ProductPicture", DisegnaProductPicture());
    const std::string badge = Scrivi(out, "ProductBadge", DisegnaProductBadge());
    std::string icone;
    for (int i = 0; i < ImageList2BIGCount; ++i)
        icone += "    " + Scrivi(out, "Icona" + std::to_string(i), DisegnaIcona(i)) + ",\n";
    out << "\nconst TImmaginePronta ProductPicturePronta" << picture << ";\n"
        << "const TImmaginePronta ProductBadgePronta" << badge << ";\n"
        << "const TImmaginePronta IconePronte[] = {\n"
        << icone << "};\n";
    return out.good() ? 0 : 1;
}
