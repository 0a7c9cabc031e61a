#include "ui/ProductPicture.h"

#include "ui/ImmaginiPronte.h"

QPixmap ProductPicture() {
    return QPixmap::fromImage(ProductPicturePronta.Immagine());
}

QPixmap ProductBadge() {
    return QPixmap::fromImage(ProductBadgePronta.Immagine());
}
