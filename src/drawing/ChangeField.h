// The setters of the drawing objects: a field takes a new value, and whatever was drawn from it is dropped only
// when the value really changed.
#pragma once

#include <type_traits>

// Sets field to value; true when that changed it.
template <class T>
bool ChangeField(T &field, const std::type_identity_t<T> &value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}
