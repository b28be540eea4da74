#pragma once
// Descriptors watched from Qt's event loop, which also runs inside every modal dialog.

#include "framework/DescriptorWatch.h"

#include <map>
#include <memory>

class QSocketNotifier;

class CQtDescriptorWatch : public IDescriptorWatch {
public:
    CQtDescriptorWatch();
    ~CQtDescriptorWatch() override;
    CQtDescriptorWatch(const CQtDescriptorWatch&) = delete;
    CQtDescriptorWatch& operator=(const CQtDescriptorWatch&) = delete;

    void Watch(int fd, std::function<void()> fnReadable) override;
    void Unwatch(int fd) override;

private:
    std::map<int, std::unique_ptr<QSocketNotifier>> m_notifiers;
};
