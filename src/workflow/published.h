#pragma once

// Published state: every field the screens read has a getter and a change signal, and the
// owner's changed() follows every change.

#include <QObject>

namespace quillmore {

// Sets the field; when its value changed, emits the field's signal and then the owner's changed().
template <typename Owner, typename T>
void publish(Owner *owner, T &field, const T &value, void (Owner::*signal)())
{
    if (field == value)
        return;
    field = value;
    emit(owner->*signal)();
    emit owner->changed();
}

} // namespace quillmore
