// What the module shows the host. The module is built with hidden visibility: only the
// classes and functions marked here are in the shared library's dynamic symbol table.
// M3D_EXPORT marks a class or a C++ function; M3D_C_EXPORT marks a plain function that
// the host looks up under its undecorated name.
#pragma once

#if defined(__GNUC__) || defined(__clang__)
#define M3D_EXPORT __attribute__((visibility("default")))
#else
#define M3D_EXPORT
#endif

#define M3D_C_EXPORT extern "C" M3D_EXPORT
