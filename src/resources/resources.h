#pragma once

namespace quorvel {

// Registers the built-in pictures (":/images/…", ":/quorvel/…"); call once at start.
void init_resources();

} // namespace quorvel
