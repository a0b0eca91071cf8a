#include "support/MutexHolder.h"

#include <QProcess>
#include <QStringList>

#include <stdexcept>

namespace testsupport {
namespace {

// Only a guard against a hung helper; the holder answers at once.
constexpr int kSafetyMilliseconds = 60000;

} // namespace

MutexHolder::MutexHolder(const std::vector<std::string>& names)
    : m_process(std::make_unique<QProcess>())
{
    QStringList args;
    for (const auto& n : names)
        args << QString::fromStdString(n);
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    m_process->start(QStringLiteral(MUTEX_HOLDER_PATH), args);
    if (!m_process->waitForStarted(kSafetyMilliseconds))
        throw std::runtime_error("cannot start the mutex holder");
    QByteArray out;
    while (!out.contains('\n')) {
        if (!m_process->waitForReadyRead(kSafetyMilliseconds))
            throw std::runtime_error("the mutex holder ended early: " + out.toStdString());
        out += m_process->readAllStandardOutput();
    }
    if (out.trimmed() != "held")
        throw std::runtime_error("the mutex holder failed: " + out.trimmed().toStdString());
}

MutexHolder::~MutexHolder()
{
    if (running())
        kill();
}

bool MutexHolder::running() const { return m_process->state() != QProcess::NotRunning; }

int MutexHolder::release()
{
    m_process->closeWriteChannel();
    m_process->waitForFinished(kSafetyMilliseconds);
    return m_process->exitStatus() == QProcess::NormalExit ? m_process->exitCode() : -1;
}

void MutexHolder::kill()
{
    m_process->kill();
    m_process->waitForFinished(kSafetyMilliseconds);
}

} // namespace testsupport
