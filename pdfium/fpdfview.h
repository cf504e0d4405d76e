// The part of PDFium's public C interface that the host uses: loading a document from memory,
// sizing and rendering one page into a caller-visible bitmap. The names, types and meanings are
// PDFium's, so the host can link either our own implementation (over MuPDF) or a real PDFium.
//
// Units and formats:
// - Page sizes are in points (1/72 inch), measured after the page's own /Rotate is applied.
// - A bitmap created without alpha holds 4 bytes per pixel in B, G, R, X order, rows top to
//   bottom, stride width × 4. X is always 0xFF.
// - Colours are 0xAARRGGBB.
//
// Thread safety: calls on different documents may run on different threads at once; one
// document and everything loaded from it must be used by one thread at a time.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef struct fpdf_document_t__* FPDF_DOCUMENT;
typedef struct fpdf_page_t__* FPDF_PAGE;
typedef struct fpdf_bitmap_t__* FPDF_BITMAP;

typedef int FPDF_BOOL;
typedef unsigned long FPDF_DWORD;
typedef const char* FPDF_BYTESTRING;

// Rendering flags for FPDF_RenderPageBitmap.
#define FPDF_ANNOT 0x01  // draw the page's annotations (and form fields)

// Sets the library up. Must be called once before any other function; further calls do nothing.
void FPDF_InitLibrary(void);

// Opens a PDF held in memory. The bytes are not copied: they must stay valid and unchanged until
// FPDF_CloseDocument. `password` may be null. Returns null when the bytes are not a readable PDF
// or when the document needs a password that was not given.
FPDF_DOCUMENT FPDF_LoadMemDocument(const void* data_buf, int size, FPDF_BYTESTRING password);

// Loads the page with the zero-based index; null when there is no such page or it is unreadable.
FPDF_PAGE FPDF_LoadPage(FPDF_DOCUMENT document, int page_index);

// The page's width and height in points, after the page's own rotation.
double FPDF_GetPageWidth(FPDF_PAGE page);
double FPDF_GetPageHeight(FPDF_PAGE page);

// A width × height bitmap; null on a non-positive size or when memory is short. This
// implementation supports only alpha == 0 (BGRx) and returns null for alpha bitmaps.
FPDF_BITMAP FPDFBitmap_Create(int width, int height, int alpha);

// Fills a rectangle (clipped to the bitmap) with `color` (0xAARRGGBB). On a bitmap without alpha
// the colour's alpha byte is ignored and the pixels written are opaque.
FPDF_BOOL FPDFBitmap_FillRect(FPDF_BITMAP bitmap, int left, int top, int width, int height,
                              FPDF_DWORD color);

// Draws the page over what the bitmap already holds, scaled to size_x × size_y pixels with its
// top-left corner at (start_x, start_y) and clipped to that rectangle. `rotate` turns the page
// clockwise by 0, 90, 180 or 270 degrees (0 to 3). `flags`: FPDF_ANNOT draws annotations.
void FPDF_RenderPageBitmap(FPDF_BITMAP bitmap, FPDF_PAGE page, int start_x, int start_y, int size_x,
                           int size_y, int rotate, int flags);

// The first byte of the bitmap's top row.
void* FPDFBitmap_GetBuffer(FPDF_BITMAP bitmap);

void FPDFBitmap_Destroy(FPDF_BITMAP bitmap);
void FPDF_ClosePage(FPDF_PAGE page);

// Closes the document. Pages still open keep what they need alive until they are closed.
void FPDF_CloseDocument(FPDF_DOCUMENT document);

#ifdef __cplusplus
}
#endif
