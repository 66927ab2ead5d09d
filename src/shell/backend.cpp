#include "backend.h"

#include "errors.h"

namespace shell {

namespace {
    [[noreturn]] void unsupported()
    {
        throw RuntimeError(error::NoSuchMember);
    }
}

std::string NativeControl::text() const
{
    unsupported();
}

void NativeControl::setText(std::string_view)
{
    unsupported();
}

bool NativeControl::isEnabled() const
{
    unsupported();
}

void NativeControl::setEnabled(bool)
{
    unsupported();
}

int NativeControl::checkState() const
{
    unsupported();
}

void NativeControl::setCheckState(int)
{
    unsupported();
}

std::size_t NativeControl::itemCount() const
{
    unsupported();
}

std::string NativeControl::item(std::size_t) const
{
    unsupported();
}

void NativeControl::addItem(std::string_view)
{
    unsupported();
}

void NativeControl::setFocus()
{
    unsupported();
}

}
