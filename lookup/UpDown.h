#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace lookup {

// An up-down control bound to a quantity field: each click steps its
// position within the range and writes it into the field as plain digits, so
// the field's integer rule never meets a thousands separator.
class UpDown : public QWidget {
    Q_OBJECT
public:
    UpDown(QLineEdit* buddy, int min, int max, QWidget* parent = nullptr);

    int position() const { return position_; }
    void setPosition(int p);
    void stepBy(int delta);

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

private:
    QLineEdit* buddy_;
    QToolButton* up_;
    QToolButton* down_;
    int min_;
    int max_;
    int position_;
};

} // namespace lookup
