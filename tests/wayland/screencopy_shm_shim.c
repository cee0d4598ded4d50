// Loaded with LD_PRELOAD into xdg-desktop-portal-wlr 0.7.0 (Debian 12) only,
// for the headless Wayland desktop of scripts/virtual-desktop --wayland.
//
// That portal version starts a screen cast only after wlr-screencopy has
// announced a linux_dmabuf format, which a compositor on the software
// renderer (no GPU) never does: it offers shared-memory buffers alone, and
// Start fails with "unable to receive a valid format from wlr_screencopy".
// Each zwlr_screencopy_frame_v1 "buffer" event is repeated here as a
// "linux_dmabuf" event of the same format, so that negotiation goes on; the
// portal then finds no GPU for DMA-BUF and streams shared memory.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdint.h>
#include <string.h>

struct wl_proxy;
const char *wl_proxy_get_class(struct wl_proxy *proxy);

typedef void (*notify_fn)(void);
typedef void (*buffer_fn)(void *data, struct wl_proxy *frame, uint32_t format, uint32_t width,
                          uint32_t height, uint32_t stride);
typedef void (*dmabuf_fn)(void *data, struct wl_proxy *frame, uint32_t format, uint32_t width,
                          uint32_t height);

// zwlr_screencopy_frame_v1's events in protocol order (version 3).
enum { BUFFER, FLAGS, READY, FAILED, DAMAGE, LINUX_DMABUF, BUFFER_DONE, EVENT_COUNT };

// wl_shm names its two basic formats 0 and 1; every other code is the DRM
// fourcc that linux_dmabuf uses.
static uint32_t drm_format(uint32_t shm_format) {
  switch (shm_format) {
    case 0: return 0x34325241; // 'AR24'
    case 1: return 0x34325258; // 'XR24'
    default: return shm_format;
  }
}

struct wrapped_listener {
  notify_fn events[EVENT_COUNT]; // registered with the proxy: the portal's, our buffer event
  const notify_fn *original;     // the portal's own table
};

const void *wl_proxy_get_listener(struct wl_proxy *proxy);

static void buffer_then_dmabuf(void *data, struct wl_proxy *frame, uint32_t format, uint32_t width,
                               uint32_t height, uint32_t stride) {
  const struct wrapped_listener *self = wl_proxy_get_listener(frame);
  ((buffer_fn)self->original[BUFFER])(data, frame, format, width, height, stride);
  if (self->original[LINUX_DMABUF])
    ((dmabuf_fn)self->original[LINUX_DMABUF])(data, frame, drm_format(format), width, height);
}

int wl_proxy_add_listener(struct wl_proxy *proxy, void (**implementation)(void), void *data) {
  static int (*next)(struct wl_proxy *, void (**)(void), void *);
  if (!next) next = (int (*)(struct wl_proxy *, void (**)(void), void *))dlsym(RTLD_NEXT, "wl_proxy_add_listener");
  if (strcmp(wl_proxy_get_class(proxy), "zwlr_screencopy_frame_v1") != 0 || !implementation[BUFFER])
    return next(proxy, implementation, data);
  // The portal registers the same static table for every frame: one
  // wrapped copy per table, kept for the process's life as the table is.
  static struct wrapped_listener wrapped[4];
  for (size_t i = 0; i < sizeof wrapped / sizeof *wrapped; ++i) {
    struct wrapped_listener *self = &wrapped[i];
    if (!self->original) {
      memcpy(self->events, implementation, sizeof self->events);
      self->events[BUFFER] = (notify_fn)buffer_then_dmabuf;
      self->original = (const notify_fn *)implementation;
    }
    if (self->original == (const notify_fn *)implementation) return next(proxy, self->events, data);
  }
  return next(proxy, implementation, data);
}
