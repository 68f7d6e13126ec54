#pragma once
// The program's version, written in this one place. The help text, the
// version resource (through the resource compiler's preprocessor, so this
// file holds nothing but preprocessor lines), the build and the name of the
// release zip (scripts/package.sh) all read it from here.
#define ZELVANE_VERSION_TEXT "0.044"
// The same version as the four numbers of the version resource.
#define ZELVANE_VERSION_NUMBERS 0, 0, 44, 0
