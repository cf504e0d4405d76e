/* zelclient: the C interface of the zelHost client library.
 *
 * A zel_host runs the zelHost conversion program as a child process and sends it requests over
 * shared memory: file facts (zel_file_info), bitmaps (zel_convert_to_bitmap), image properties
 * (zel_read_image_properties) and facts from partial data (zel_probe_partial_image). A host that
 * crashes or ends fails the requests waiting on it with ZEL_ERROR_HOST_DIED; the next request
 * starts a new host. Every call may be made from any thread; one zel_host serves several threads at
 * once.
 *
 * Every function that can fail returns a zel_status; after a failure, zel_last_error_message()
 * tells the calling thread what went wrong. Nothing returned by the library needs freeing except
 * what a *_free function is named for.
 */
#ifndef ZELCLIENT_H
#define ZELCLIENT_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define ZEL_API __attribute__((visibility("default")))
#else
#define ZEL_API
#endif

typedef enum zel_status {
  ZEL_OK = 0,
  ZEL_ERROR_INVALID_ARGUMENT = 1, /* a null pointer, a negative size, a size over 2 GiB */
  ZEL_ERROR_SYSTEM = 2,         /* the host, its channels or its work folder could not be set up */
  ZEL_ERROR_HOST_DIED = 3,      /* the host crashed or ended before it answered */
  ZEL_ERROR_TIMEOUT = 4,        /* no answer within the reply time-out */
  ZEL_ERROR_REQUEST_FAILED = 5, /* the host could not do it: unreadable or unsupported file */
  ZEL_ERROR_TOO_LARGE = 6,      /* the file does not fit the channel; use a larger buffer_size */
  ZEL_ERROR_NO_MEMORY = 7,
  ZEL_ERROR_FAILED = 8 /* anything else, such as a reply that does not hold what it must */
} zel_status;

/* The calling thread's description of its last failure (UTF-8); "" when there was none. Valid
 * until the thread's next call into the library. */
ZEL_API const char* zel_last_error_message(void);

typedef struct zel_host zel_host;

/* All fields may be left zero (or null) for their defaults. */
typedef struct zel_host_options {
  const char* host_path;   /* the zelHost program; null: the one installed with this library,
                              or the program named by the environment variable ZEL_HOST_PATH */
  const char* work_folder; /* the host's folder for its "dumps" and "temp" folders; null: a
                              private folder under $TMPDIR, removed by zel_host_free */
  const char* console_output_path; /* file that receives the host's console output (start-up
                                      reports, why a request failed); null: zelHost-console.txt
                                      in the work folder */
  int32_t listener_count;          /* requests served at once; 0: 3 */
  int32_t buffer_size;             /* bytes of each channel; 0: 64 MiB. Bitmaps are kept within
                                      half of it, and a file must fit into it */
  int32_t reply_timeout_ms;        /* how long a request may wait for its answer; 0: 60000 */
} zel_host_options;

/* Makes a client; the host itself starts with the first request or zel_host_start. */
ZEL_API zel_status zel_host_new(const zel_host_options* options, zel_host** host);
/* Ends the host if it runs, waits for it, and frees everything. A null host is ignored. */
ZEL_API void zel_host_free(zel_host* host);
/* Starts the host now unless it runs. */
ZEL_API zel_status zel_host_start(zel_host* host);
/* Ends the running host and waits for it. `exit_code` (may be null) receives its exit code, or
 * -1 when none was running; 2 means it had crashed, leaving a dump in the work folder's "dumps". */
ZEL_API zel_status zel_host_stop(zel_host* host, int* exit_code);
/* The process id of the running host; 0 when none runs. */
ZEL_API int zel_host_process_id(const zel_host* host);

/* A file as the requests carry it. The bytes stay the caller's. */
typedef struct zel_file {
  const char* name;      /* the file's name (UTF-8), a hint to the format only; may be null */
  const char* mime_type; /* "image/jpeg", "image/png", "application/pdf", the DOCX type,
                            "application/octet-stream" for plain text, or "" for any other image;
                            null: told from the first bytes and the name's extension */
  const uint8_t* data;
  size_t size;
} zel_file;

enum {
  ZEL_IMAGE_TURNED = 1,  /* the stored orientation turns the picture by 90 or 270 degrees */
  ZEL_IMAGE_ANIMATED = 2 /* more than one frame */
};

typedef struct zel_image_info {
  int32_t width; /* as stored, before the orientation is applied */
  int32_t height;
  int32_t flags;       /* ZEL_IMAGE_TURNED, ZEL_IMAGE_ANIMATED */
  int32_t rotation;    /* clockwise degrees the stored orientation asks for */
  char date_taken[32]; /* "YYYY-MM-DD hh:mm:ss.mmm", or "" */
} zel_image_info;

/* The size of an image, or of the first page picture of a document. `known` is set to 0 when the
 * host found no size (then `info` is zero). */
ZEL_API zel_status zel_file_info(zel_host* host, const zel_file* file, int* known,
                                 zel_image_info* info);

typedef struct zel_bitmap_options {
  int32_t rotation;           /* clockwise degrees to turn the picture */
  int32_t ignore_orientation; /* nonzero: do not apply the orientation stored in the file */
  int32_t box_width;          /* fit a still picture into this box (never enlarging it); */
  int32_t box_height;         /* no box unless both are at least 1 */
} zel_bitmap_options;

typedef struct zel_frame {
  int32_t x; /* where the frame goes on the canvas */
  int32_t y;
  int32_t width;
  int32_t height;
  int32_t delay_ms;    /* how long the frame shows */
  const uint8_t* bgra; /* width * height * 4 bytes: blue, green, red, alpha; rows top down */
} zel_frame;

typedef struct zel_bitmap {
  int32_t animated; /* 0: one still picture in frames[0] */
  int32_t width;    /* the picture's size, or the canvas size of an animation */
  int32_t height;
  int32_t frame_count;
  const zel_frame* frames; /* an animation's frames each cover their rectangle of the canvas
                              and are drawn over what the frames before them left */
} zel_bitmap;

/* The pixels of a file (a document's first page). `options` may be null. Free the result with
 * zel_bitmap_free. */
ZEL_API zel_status zel_convert_to_bitmap(zel_host* host, const zel_file* file,
                                         const zel_bitmap_options* options, zel_bitmap** bitmap);
ZEL_API void zel_bitmap_free(zel_bitmap* bitmap);

typedef struct zel_property {
  const char* name; /* UTF-8 */
  const char* value;
} zel_property;

typedef struct zel_properties {
  int32_t found; /* 0: the image could not be read or has no properties; both lists are empty */
  size_t count;  /* what the image library knows about the image */
  const zel_property* items;
  size_t host_count; /* zel.name, zel.size, zel.width, zel.height, zel.alpha */
  const zel_property* host_attributes;
} zel_properties;

/* Everything known about an image, as text. Free the result with zel_properties_free. */
ZEL_API zel_status zel_read_image_properties(zel_host* host, const zel_file* file,
                                             zel_properties** properties);
ZEL_API void zel_properties_free(zel_properties* properties);

enum {
  ZEL_PROBE_DONE = 0,      /* `info` is filled */
  ZEL_PROBE_NEED_MORE = 1, /* send again with need_head bytes from the start and need_tail
                              bytes from the end */
  ZEL_PROBE_IMPOSSIBLE = 2 /* only the whole file can tell (or it is not a JPEG or PNG) */
};

typedef struct zel_probe_result {
  int32_t result;
  int32_t need_head;
  int32_t need_tail;
  zel_image_info info;
} zel_probe_result;

/* The facts of a JPEG or PNG file from its first bytes (`head`: its data and size are the first
 * bytes) and, optionally, its last `tail_size` bytes at `tail`. `total_size` is the whole file's
 * size. */
ZEL_API zel_status zel_probe_partial_image(zel_host* host, const zel_file* head, int64_t total_size,
                                           const uint8_t* tail, size_t tail_size,
                                           zel_probe_result* result);

#ifdef __cplusplus
}
#endif

#endif /* ZELCLIENT_H */
