#pragma once
// The program's style: the toolkit's own, except that the pictures of the
// menu bar's and the tool bar's overflow buttons are read only when such a
// button is first drawn. They are asked for when those bars are built, and
// reading them then looks the picture file up through every image reader the
// toolkit has; the buttons show only when a bar is too narrow for its items.

#include <QProxyStyle>

namespace brivano {

class TStileProgramma : public QProxyStyle {
  public:
    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

}  // namespace brivano
