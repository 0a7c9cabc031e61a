#include "ui/ImageList.h"

#include "ui/ImmaginiPronte.h"

QPixmap ImageList2BIGPixmap(int index) {
    if (index < 0 || index >= ImageList2BIGCount) return {};
    return QPixmap::fromImage(IconePronte[index].Immagine());
}

QIcon ImageList2BIG(int index) {
    QPixmap pix = ImageList2BIGPixmap(index);
    return pix.isNull() ? QIcon() : QIcon(pix);
}
