#include "resources/resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE declares its function in the global namespace.
static void init_pictures() {
    Q_INIT_RESOURCE(quorvel_images);
}

namespace quorvel {

void init_resources() {
    init_pictures();
}

} // namespace quorvel
