#pragma once
// Data that every process into which a library is mapped sees as one copy.
// Each compiler has its own way of putting variables into a section of their
// own and marking that section shared; this header is the only place that
// knows them. Use:
//
//   SHARED_SECTION_BEGIN(".Name_DATA")
//   SHARED_IN(".Name_DATA") Type variable = {...};   // explicitly initialised
//   SHARED_SECTION_END
//
// The initialiser matters for Visual C++, which leaves variables without one
// in its ordinary zero-filled section.

#if defined(_MSC_VER)
#define SHARED_SECTION_BEGIN(name) \
    __pragma(data_seg(name)) __pragma(comment(linker, "/SECTION:" name ",RWS"))
#define SHARED_SECTION_END __pragma(data_seg())
#define SHARED_IN(name)
#elif defined(__GNUC__)
#define SHARED_SECTION_BEGIN(name)
#define SHARED_SECTION_END
#define SHARED_IN(name) __attribute__((section(name), shared))
#else
#error "no known way to declare a shared data section with this compiler"
#endif
