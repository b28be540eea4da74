#pragma once
// Reading a file descriptor when it has something to read, from the program's own event loop,
// without a thread or a timer. The Qt layer provides one; without one nothing is watched.

#include <functional>

class IDescriptorWatch {
public:
    virtual ~IDescriptorWatch() = default;
    // fnReadable runs on the GUI thread each time fd becomes readable, until Unwatch.
    virtual void Watch(int fd, std::function<void()> fnReadable) = 0;
    virtual void Unwatch(int fd) = 0;
};

void AfxSetDescriptorWatch(IDescriptorWatch* pWatch);
IDescriptorWatch* AfxGetDescriptorWatch();
