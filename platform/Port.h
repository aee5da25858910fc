// Base of every platform port: a pure interface that is never copied.
// Portable.
#pragma once

namespace platform {

class Port {
public:
    Port() = default;
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;
    virtual ~Port() = default;
};

} // namespace platform
