#include "lookup/UpDown.h"

#include "platform/ErrorHandler.h"
#include "platform/NumberText.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace lookup {

UpDown::UpDown(QLineEdit* buddy, int min, int max, QWidget* parent)
    : QWidget(parent), buddy_(buddy), min_(min), max_(max), position_(min)
{
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    up_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    down_ = new QToolButton(this);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        box->addWidget(b);
    }
    connect(up_, &QToolButton::clicked, this, platform::guard(this, [this] { stepBy(1); }));
    connect(down_, &QToolButton::clicked, this, platform::guard(this, [this] { stepBy(-1); }));
}

void UpDown::setPosition(int p)
{
    position_ = std::clamp(p, min_, max_);
}

void UpDown::stepBy(int delta)
{
    // A number the user typed is where the next step starts from.
    int typed = 0;
    if (platform::parseInteger(buddy_->text(), &typed))
        setPosition(typed);
    setPosition(position_ + delta);
    buddy_->setText(QString::number(position_));
}

} // namespace lookup
