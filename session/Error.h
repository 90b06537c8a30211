#pragma once

#include <QString>
#include <exception>
#include <string>

// Every failure inside a handler travels as an Error; the window's error path shows
// its description in the status line and nothing else.
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

// Raised by the access layer: the server's own message text, or the driver's.
class DatabaseError : public Error {
  public:
    using Error::Error;
    DatabaseError(QString description, QString sqlState)
        : Error(std::move(description)), sqlState_(std::move(sqlState)) {}

    // Class 08 means the connection itself failed; empty when the layer did not say.
    const QString& sqlState() const { return sqlState_; }

  private:
    QString sqlState_;
};
