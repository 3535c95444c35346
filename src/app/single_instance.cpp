#include "app/single_instance.h"

namespace quorvel {

single_instance::single_instance(const QString& key_text) : memory_(key_text) {}

bool single_instance::acquire() {
    // A segment left by a crashed or killed instance outlives it on Unix:
    // attaching and detaching again removes it when nobody else is attached,
    // while a live instance keeps it.
    if (memory_.attach())
        memory_.detach();
    return memory_.create(1024, QSharedMemory::ReadWrite);
}

} // namespace quorvel
