#pragma once

#include <QString>
#include <exception>

// Every failure the user can see is an EKalveroError carrying the text shown in the
// application's error box. OperationAborted is the silent one: it ends the running
// handler and nothing is shown.
class EKalveroError : public std::exception
{
public:
    explicit EKalveroError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

class OperationAborted : public std::exception
{
public:
    const char *what() const noexcept override { return "Operation aborted"; }
};
