#pragma once
// The program's list of tool-bar pictures, 32 x 32 each, drawn by our own code:
// 0 exit, 1 address book, 2 calendar/year, 3 send mail, 4 save, 5 new contact,
// 6 edit, 7 delete, 8 web site, 9 cancel. An index outside 0..9 gives an empty
// picture.

#include <QIcon>
#include <QPixmap>

inline constexpr int ImageList2BIGCount = 10;

QIcon ImageList2BIG(int index);
QPixmap ImageList2BIGPixmap(int index);
