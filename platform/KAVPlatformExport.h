// Export macro of libKAVPlatform. The wrapper library is built with hidden
// visibility; marking every platform class and function keeps them visible
// from any includer, whatever visibility preset it compiles with.
#ifndef KAVPlatformExport_h
#define KAVPlatformExport_h

#define KAV_PLATFORM_API __attribute__((visibility("default")))

#endif
