#pragma once

#include "Wallpaper.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

// Stands in for the desktop's command line while it lives: records the
// commands instead of running them, and answers as told.
class RecordingRunner : public platform::CommandRunner
{
public:
    RecordingRunner() { CommandRunner::setInstance(this); }
    ~RecordingRunner() override { CommandRunner::setInstance(nullptr); }
    RecordingRunner(const RecordingRunner &) = delete;
    RecordingRunner &operator=(const RecordingRunner &) = delete;

    Result run(const QStringList &command, int timeoutMs) override
    {
        ran << command;
        timeouts << timeoutMs;
        Result result;
        result.ok = succeed;
        if (!command.isEmpty() && command.contains(QStringLiteral("--list")))
            result.output = listOutput;
        return result;
    }
    bool startDetached(const QStringList &command) override
    {
        started << command;
        return succeed;
    }

    // Every command, run or started, run ones first.
    QList<QStringList> commands() const { return ran + started; }

    bool succeed = true;
    QByteArray listOutput; // what a command with "--list" writes
    QList<QStringList> ran;
    QList<int> timeouts;
    QList<QStringList> started;
};
