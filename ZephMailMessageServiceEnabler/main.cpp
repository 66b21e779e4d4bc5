// SPDX-License-Identifier: MIT
// Module initializer of the Mail plug-in.

namespace {

__attribute__((constructor)) void load()
{
}

} // namespace
