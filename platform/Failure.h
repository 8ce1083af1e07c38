#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace platform {

// A failure that reaches the default error handler: its text is shown to the
// user as it stands.
class Failure : public std::exception {
public:
    explicit Failure(QString text) : text_(std::move(text)), utf8_(text_.toUtf8()) {}
    const QString& text() const noexcept { return text_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString text_;
    QByteArray utf8_;
};

} // namespace platform
