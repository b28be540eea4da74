#include "qt/QtDescriptorWatch.h"

#include <QSocketNotifier>

CQtDescriptorWatch::CQtDescriptorWatch() = default;

CQtDescriptorWatch::~CQtDescriptorWatch() = default;

void CQtDescriptorWatch::Watch(int fd, std::function<void()> fnReadable)
{
    auto pNotifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(pNotifier.get(), &QSocketNotifier::activated, pNotifier.get(),
                     [fn = std::move(fnReadable)] { fn(); });
    m_notifiers[fd] = std::move(pNotifier);
}

void CQtDescriptorWatch::Unwatch(int fd) { m_notifiers.erase(fd); }
