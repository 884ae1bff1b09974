// Export macro of libKAVPlatform. Both libraries are built with hidden
// visibility; marking every platform class and function keeps them visible
// from any includer, whatever visibility preset it compiles with.
#ifndef KAVPlatformExport_h
#define KAVPlatformExport_h

// Each public header includes this one or its twin (KAVExport.h,
// KAVPlatformExport.h). They need C++17: say so plainly rather than fail
// somewhere inside them.
#if defined(__cplusplus) && __cplusplus < 201703L
#error "T4711BAS needs C++17 or later (-std=c++17)"
#endif

#define KAV_PLATFORM_API __attribute__((visibility("default")))

#endif
