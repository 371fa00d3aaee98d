#pragma once

namespace vorenta {

/// Registers the tool's pictures. A static library's resources are otherwise dropped by the
/// linker, so each form calls this before it loads a picture; repeated calls are harmless.
void InitToolResources();

} // namespace vorenta
