#pragma once

#include <QString>
#include <exception>
#include <string>

// The failure type of the whole tool. Every failure inside a handler travels as an Error;
// the window's error path shows its description in the status line and nothing else.
class Error : public std::exception {
  public:
    explicit Error(QString description)
        : description_(std::move(description)), utf8_(description_.toStdString()) {}

    const QString& description() const { return description_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

  private:
    QString description_;
    std::string utf8_;
};
