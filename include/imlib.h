/*
 * imlib.h - public header of the image file library.
 *
 * Every image of the suite is read and written through a stream number
 * (1 ... IM_MAX_STREAMS): open a file path, an image window number or a
 * "dme:" database path on a number with IMOpen, then read and alter header
 * attributes and pixels through that number until IMClose.
 *
 * Every call returns an integer status: 0 for success, otherwise one of the
 * IM_ERR_* codes below (IMRtErrorText turns it into text). A failing call
 * prints its own message, beginning with the call's name and the stream
 * number, on standard error. No call stops the process or throws.
 *
 * Pixel buffers: with conversion on (the default, IMALCon) the caller's
 * buffer holds one 4-byte float per pixel whatever the stored pixel type;
 * with conversion off it holds the stored pixels (IMRtBytesPerPixel each).
 * Arrays of three are X, Y, Z in that order.
 */
#ifndef TREMOSCAN_IMLIB_H
#define TREMOSCAN_IMLIB_H

#ifdef __cplusplus
extern "C" {
#endif

/* ---- fixed sizes -------------------------------------------------------- */
#define IM_HEADER_BYTES 1024    /* main header of every image file */
#define IM_MAX_STREAMS 10000    /* stream numbers are 1 ... 10000 */
#define IM_TITLE_LENGTH 80      /* bytes of one title (79 characters + NUL) */
#define IM_MAX_TITLES 10        /* titles an old-layout header holds */
#define IM_MAX_WAVELENGTHS 12   /* wavelengths a new-layout header holds */
#define IM_MAX_FIELD_NAME 64    /* a field name has fewer characters than this */
#define IM_FILE_ID (-16224)     /* file ID of a host-order file (0xC0A0) */

/* ---- pixel data types (header offset 12) -------------------------------- */
enum {
  IM_BYTE = 0,            /* 1 byte unsigned integer */
  IM_SHORT = 1,           /* 2 byte signed integer */
  IM_FLOAT = 2,           /* 4 byte IEEE float */
  IM_COMPLEX_SHORT = 3,   /* 2 byte integer complex: not supported */
  IM_COMPLEX_FLOAT = 4,   /* 2 x 4 byte float complex */
  IM_USHORT = 6,          /* 2 byte unsigned integer */
  IM_LONG = 7,            /* 4 byte signed integer */
  IM_DOUBLE = 8           /* 8 byte IEEE double */
};

/* ---- image sequences (header offset 182) -------------------------------- */
enum {
  IM_ZTWP = 0, IM_WZTP = 1, IM_ZWTP = 2, IM_ZPWT = 3, IM_ZWPT = 4, IM_WZPT = 5,
  IM_WPTZ = 6, IM_PWTZ = 7, IM_PTWZ = 8, IM_PZWT = 9, IM_PWZT = 10, IM_WPZT = 11,
  IM_WTPZ = 12, IM_TWPZ = 13, IM_TPWZ = 14
};

/* ---- status codes (never renumbered) ------------------------------------ */
enum {
  IM_ERR_NONE = 0,
  IM_ERR_INVALID_STREAM = 1,
  IM_ERR_INVALID_FILE = 2,
  IM_ERR_STREAM_NUMBERING = 3,
  IM_ERR_STREAM_ALREADY_OPEN = 101,
  IM_ERR_FILE_NOT_OPEN = 102,
  IM_ERR_FILE_NOT_OPENED_YET = 103,
  IM_ERR_CLOSE_UNOPENED = 104,
  IM_ERR_NAME_TOO_LONG = 105,
  IM_ERR_NEW_HEADER = 106,
  IM_ERR_NO_STREAMS = 110,
  IM_ERR_ATTRIBUTE = 201,
  IM_ERR_FIND_FILE = 202,
  IM_ERR_FIND_DIRECTORY = 203,
  IM_ERR_READ_WRITE_ACCESS = 204,
  IM_ERR_READ_ACCESS = 205,
  IM_ERR_OPEN_FILE = 206,
  IM_ERR_READ_HEADER = 207,
  IM_ERR_READ_HEADER2 = 208,
  IM_ERR_WRITE_HEADER = 209,
  IM_ERR_READ_EXT_HEADER = 210,
  IM_ERR_WRITE_EXT_HEADER = 211,
  IM_ERR_READ_COUNT = 212,
  IM_ERR_WRITE_COUNT = 213,
  IM_ERR_SWAP = 214,
  IM_ERR_POSITION = 301,
  IM_ERR_X_RANGE = 302,
  IM_ERR_Y_RANGE = 303,
  IM_ERR_Z_RANGE = 304,
  IM_ERR_W_RANGE = 305,
  IM_ERR_T_RANGE = 306,
  IM_ERR_S_RANGE = 307,
  IM_ERR_TOO_MANY_TITLES = 401,
  IM_ERR_TOO_MANY_COLUMNS = 402,
  IM_ERR_TOO_MANY_ROWS = 403,
  IM_ERR_TOO_MANY_WAVELENGTHS = 404,
  IM_ERR_NEGATIVE_TITLES = 405,
  IM_ERR_NUM_WAVELENGTHS = 501,
  IM_ERR_PIXEL_SIZE = 502,
  IM_ERR_PIXEL_TYPE = 503,
  IM_ERR_STREAM_NAME = 504,
  IM_ERR_SEQUENCE = 505,
  IM_ERR_FILE_ID = 506,
  IM_ERR_TIME_STAMP = 507,
  IM_ERR_NUM_SECTIONS = 510,
  IM_ERR_DATA_BITS = 511,
  IM_ERR_DATA_BITS_UNDEFINED = 512,
  IM_ERR_SECTION = 601,
  IM_ERR_EXT_SECTION = 602,
  IM_ERR_WAVELENGTH = 603,
  IM_ERR_ZWTP = 604,
  IM_ERR_WAVELENGTH_TOO_LARGE = 605,
  IM_ERR_EXT_FIELD = 701,
  IM_ERR_EXT_TYPE = 702,
  IM_ERR_SYMMETRY = 703,
  IM_ERR_EXT_TOO_SMALL = 704,
  IM_ERR_HAS_SYMMETRY = 705,
  IM_ERR_NO_EXT_HEADER = 706,
  IM_ERR_EXT_OVERRUN = 707,
  IM_ERR_EXT_TYPE_MISMATCH = 708,
  IM_ERR_FIELD_SPACE = 720,
  IM_ERR_FIELD_NAME = 721,
  IM_ERR_FIELD_TYPE = 722,
  IM_ERR_FIELD_SIZE = 723,
  IM_ERR_FIELD_SIZE_PARAM = 724,
  IM_ERR_FIELD_BYTE_COUNT = 725,
  IM_ERR_FIELD_CONTENTS = 726,
  IM_ERR_FIELD_HEADER_TYPE = 727,
  IM_ERR_FIELD_BYTE_LENGTH = 728,
  IM_ERR_FIELD_NUMBER = 729,
  IM_ERR_FIELD_HEADER_EMPTY = 730,
  IM_ERR_FIELD_NOT_FOUND = 731,
  IM_ERR_FIELD_ALLOC = 732,
  IM_ERR_FIELD_MISMATCH = 733,
  IM_ERR_FIELD_NULL = 734,
  IM_ERR_FIELD_WINDOW = 735,
  IM_ERR_FIELD_NAME_LONG = 736,
  IM_ERR_WINDOW_NUMBER = 801,
  IM_ERR_TOO_MANY_WINDOWS = 802,
  IM_ERR_OPEN_WINDOW = 803,
  IM_ERR_WINDOW_NOT_OPEN = 804,
  IM_ERR_WINDOW_SIZE = 805,
  IM_ERR_DISPLAY_SCALE = 806,
  IM_ERR_WRITE_WINDOW = 807,
  IM_ERR_READ_WINDOW = 808,
  IM_ERR_WINDOW_HEADER = 809,
  IM_ERR_NO_WINDOW = 810,
  IM_ERR_WINDOW_EXISTS = 811,
  IM_ERR_DISPLAY_SCALE_VALUES = 812,
  IM_ERR_MEMORY = 901,
  IM_ERR_ALLOC = 902,
  IM_ERR_NOT_IMPLEMENTED = 903,
  IM_ERR_UNSUPPORTED = 904,
  IM_ERR_COMPLEX_SHORT = 905,
  IM_ERR_SWAPPED_FILE = 906,
  IM_ERR_IEEE_ONLY = 907,
  IM_ERR_ARCHITECTURE = 908,
  IM_ERR_UNSPECIFIED = 10000
};

/* ---- error texts and names ---------------------------------------------- */
const char* IMRtErrorText(int code);           /* never NULL */
const char* IMRtSequenceName(int sequence);    /* "ZTWP" ... or "Undefined" */
int IMRtDataTypeName(int pixel_type, char* buffer, int length);

/* ---- streams ------------------------------------------------------------- */
int IMOpen(int stream, const char* name, const char* attribute);
int IMOpen2(int* stream, const char* name, const char* attribute);
int IMOpen_(const int* stream, const char* name, const char* attribute, int name_length,
            int attribute_length);
int IMClose(int stream);
int IMFileSync(int stream);
int IMRdHdr2(int stream);
/* 0 = image window (number in *window), 1 = file; 504 for NULL or "". */
int IMRtStreamTypeFromName(const char* name, int* window);
/* 0 when path is an existing window number or a file with a valid file ID. */
int IMCheckImageFile(const char* path);
/* The 16-bit value at byte 96 of a file; -1 cannot open, -2 cannot position. */
int IMRtFileIDFromName(const char* path);
int IMRtMaxStreams(void);
/* 1 when the window was opened on the stream, -1 otherwise. */
int IMOpenWindowStream(int stream, int window, const char* attribute);
int IMAlVerboseMode(int flag);
int IMAlVerboseLevel(int level);
int IMRtVerboseLevel(void);

/* ---- section numbering and positioning ---------------------------------- */
int IMRtSecNum2(int stream, int z, int w, int t, int p, int* section);
int IMRtSecNum(int stream, int z, int w, int t, int* section);
int IMRtZWTPNum(int stream, int* z, int* w, int* t, int* p, int section);
int IMRtZWTNum(int stream, int* z, int* w, int* t, int section);
int IMPosn(int stream, int section, int line);
int IMPosnZWTP(int stream, int z, int w, int t, int p);
int IMPosnZWT(int stream, int z, int w, int t);

/* ---- pixels ------------------------------------------------------------- */
int IMRdSec(int stream, void* buffer);
int IMRdSecl(int stream, void* buffer, int lines);
int IMRdLin(int stream, void* buffer);
int IMRdPas(int stream, void* buffer, int buf_cols, int buf_rows, int x0, int x1, int y0,
            int y1);
/* Reads lines rows from the current position, keeping columns x0..x1 of each
 * row; the buffer receives (x1 - x0 + 1) elements per row. */
int IMRdPal(int stream, void* buffer, int x0, int x1, int lines);
/* IMRdSec and IMRdPal for callers that always want floats: double pixels,
 * which those pass as stored even with conversion on, are narrowed, so the
 * buffer holds one float per pixel whatever the stored type. */
int IMRdSecFloats(int stream, float* buffer);
int IMRdPalFloats(int stream, float* buffer, int x0, int x1, int lines);
int IMWrSec(int stream, const void* buffer);
int IMWrSecl(int stream, const void* buffer, int lines);
int IMWrLin(int stream, const void* buffer);
int IMWrPas(int stream, const void* buffer, int buf_cols, int buf_rows, int x0, int x1,
            int y0, int y1);
int IMWrPal(int stream, const void* buffer, int x0, int x1, int lines);
int IMALCon(int stream, int convert);
int IMRtCon(int stream, int* convert);

/* ---- extended header: per-section values -------------------------------- */
int IMRtExHdr(int stream, int section, int* ints, float* floats);
int IMAlExHdr(int stream, int section, const int* ints, const float* floats);
int IMRtExHdrZWTP(int stream, int z, int w, int t, int p, int* ints, float* floats);
int IMAlExHdrZWTP(int stream, int z, int w, int t, int p, const int* ints,
                  const float* floats);
int IMRtExHdrValueZWTP(int stream, int z, int w, int t, int p, int index, double* value);
int IMRtExHdrValueZWT(int stream, int z, int w, int t, int index, double* value);
int IMAlExHdrValueZWTP(int stream, int z, int w, int t, int p, int index, double value);
int IMRtExHdrType(int stream, int* type);
int IMRtExHdrInfo(int stream, int* type, int* size, int* nint, int* nreal);
int IMRtExHdrSize(int stream, int* nint, int* nreal);
int IMAlExHdrInfo(int stream, int type, int size, int nint, int nreal);
int IMAlExHdrSize2(int stream, int nint, int nreal, int sections, int field_blocks);
int IMCrExHdr(int stream, int type, int field_blocks);
int IMTrExHdr(int dest, int src, int dest_section, int src_section);
int IMTrExHdr4(int dest, int src, int z0, int z1, int zstep, const int* wave_flags,
               int num_waves, int t0, int t1, int tstep, int p0, int p1);
int IMTrExHdr3(int dest, int src, int z0, int z1, int zstep, const int* wave_flags,
               int num_waves, int t0, int t1, int tstep);
int IMTrExHdr2(int dest, int src, int z0, int z1, int zstep, const int* wave_flags, int t0,
               int t1, int tstep);
int itrexhdr2_(const int* dest, const int* src, const int* z0, const int* z1, const int* zstep,
               const int* wave_flags, const int* t0, const int* t1, const int* tstep);

/* ---- named fields -------------------------------------------------------- */
/* Types: 'b' binary, 'c' string, 'd' double, 'f' float, 'i' integer. value
 * points to the bytes, string, double, float or int; size is used for 'b'. */
int IMAlField(int stream, const char* name, const void* value, char type, int size);
int IMAlFieldInt(int stream, const char* name, int value);
int IMAlFieldFloat(int stream, const char* name, float value);
int IMAlFieldDouble(int stream, const char* name, double value);
int IMAlFieldChar(int stream, const char* name, const char* value);
int IMAlFieldBinary(int stream, const char* name, const void* value, int size);
/* Copies (*value, *name) are allocated with malloc; the caller frees them. */
int IMRtField(int stream, const char* name, char** value, char* type, int* size);
int IMRtFieldInt(int stream, const char* name, int* value);
int IMRtFieldFloat(int stream, const char* name, float* value);
int IMRtFieldDouble(int stream, const char* name, double* value);
int IMRtFieldChar(int stream, const char* name, char** value);
int IMRtFieldBinary(int stream, const char* name, void** value, int* size);
int IMFindFieldNum(int stream, const char* name, int* index);
int IMRtFieldNum(int stream, int index, char** name, char* type, int* size, char** value);
int IMRtNumFields(int stream);        /* number of fields */
int IMRtFieldHdrSize(int stream);     /* capacity of the field area in bytes */
int IMRtFieldHdrSpace(int stream, int* space);  /* capacity minus bytes used */
/* Copies the raw field area (at most length bytes) and stores its size. */
int IMRtFieldHdr(int stream, void* buffer, int length, int* size);

/* ---- header attributes ---------------------------------------------------- */
int IMRtZWTP(int stream, int* nz, int* nw, int* nt, int* np, int* sequence);
int IMRtZWT(int stream, int* nz, int* nw, int* nt, int* sequence);
int IMAlZWTP(int stream, int nz, int nw, int nt, int np, int sequence);
int IMAlZWT(int stream, int nz, int nw, int nt, int sequence);
int IMAlZWTPnoseq(int stream, int nz, int nw, int nt, int np);
int IMRtImageSequence(int stream, int* sequence);
int IMAlImageSequence(int stream, int sequence);
int IMRtXY(int stream, int* nx, int* ny);
int IMAlXY(int stream, int nx, int ny);
int IMRtSiz(int stream, int size[3], int sampling[3], int start[3]);
int IMAlSiz(int stream, const int size[3], const int start[3]);
int IMRtMode(int stream, int* pixel_type);
int IMAlMode(int stream, int pixel_type);
int IMRtBytesPerPixel(int stream, int* bytes);
int IMRtDataTypeMinMax(int stream, double* min, double* max);
int IMRtDataBitsPerPixel(int stream, int* bits);
int IMAlDataBitsPerPixel(int stream, int bits);
int IMRtFileType(int stream, int* file_type);
int IMAlFileType(int stream, int file_type);
int IMRtDat(int stream, int* file_type, int* lens, int* aux_int1, int* aux_int2,
            float* aux_value1, float* aux_value2);
int IMAlDat(int stream, int file_type, int lens, int aux_int1, int aux_int2, float aux_value1,
            float aux_value2);
int IMRtLensID(int stream, int* lens);
int IMAlLensID(int stream, int lens);
int IMRtFileID(int stream, int* file_id, int* swapped);
int IMRtDel(int stream, float pixel_size[3]);
int IMAlDel(int stream, const float pixel_size[3]);
int IMAlDel3(int stream, float dx, float dy, float dz);
int IMRtCel(int stream, float cell[6]);
int IMALCel(int stream, const float cell[6]);
int IMTrCel(int dest, int src);
int IMRtMst(int stream, int start[3]);
int IMRtMap(int stream, int map[3]);
int IMAlMap(int stream, const int map[3]);
int IMRtOrig(int stream, float* x, float* y, float* z);
int IMAlOrig(int stream, float x, float y, float z);
int IMRtTlt(int stream, float tilt[3]);
int IMAlTlt(int stream, const float tilt[3]);
int IMRtSpg(int stream, int* space_group, int* ext_size);
int IMAlSpg(int stream, int space_group, int ext_size);
int IMRtWav(int stream, int* count, float* waves);
int IMRtWav2(int stream, int w, float* wave);
int IMAlWav(int stream, int count, const float* waves);
int IMAlWav2(int stream, int w, float wave);
int IMRtWavMMM(int stream, int w, float* min, float* max, float* mean);
int IMRtWavMM(int stream, int w, float* min, float* max);
int IMAlWavMMM(int stream, int w, float min, float max, float mean);
int IMAlWavMM(int stream, int w, float min, float max);
int IMRtScl(int stream, int w, float scale[4]);
int IMRtScl2(int stream, int w, float* low, float* high, float* gamma, float* fourth);
int IMAlScl(int stream, int w, const float scale[4]);
int IMAlScl2(int stream, int w, float low, float high, float gamma, float fourth);
int IMRtTimeStamp(int stream, double* stamp);
int IMAlTimeStamp(int stream, double stamp);
int IMRtNumLab(int stream, int* count);
int IMAlNumLab(int stream, int count);
int IMRtMaxNumLab(int stream, int* max);
/* titles: a buffer of IM_TITLE_LENGTH-byte titles. */
int IMRtLab(int stream, char* titles, int* count);
int IMRtLab2(int stream, char* titles, int first, int count);
int IMAlLab(int stream, const char* titles, int count);
int IMAlLab2(int stream, const char* titles, int first, int count);
int IMRtSym(int stream, int* size, void* buffer);
int IMAlSym(int stream, int size, const void* data);
int IMAlDis2(int stream, int display);
int IMAlDis(int display);
int IMRtWID(int stream);
int IMRtHdr(int stream, void* header);
int IMAlHdr(int stream, const void* header);
int IMRtExt(int stream);
int IMAlTltRot(int stream);
int IMClLim(int stream);
int IMInterp(int stream);

/* ---- header creation, writing, copies and report ------------------------ */
int IMCrHdr3(int stream, int nx, int ny, int nz, int nw, int nt, int np, int sequence,
             int pixel_type);
int IMCrHdr2(int stream, int nx, int ny, int nz, int nw, int nt, int sequence,
             int pixel_type);
int IMCrHdr(int stream, const int size[3], const int sampling[3], int pixel_type,
            const char* titles, int count);
int IMWrHdr2(int stream, int with_ext_header);
int IMWrHdr(int stream, const char* title, int title_mode, float min, float max, float mean);
int IMTrHdr(int dest, int src);
int IMTrLab(int dest, int src);
int IMCalcDen(const float* buffer, int nx, int ny, int x0, int x1, int y0, int y1, float* min,
              float* max, float* mean);
/* 1-based columns and rows, every argument by address. */
int imcalcden_(const float* buffer, const int* nx, const int* ny, const int* x0, const int* x1,
               const int* y0, const int* y1, float* min, float* max, float* mean);
int IMRdHdr(int stream, int size[3], int sampling[3], int* pixel_type, float* min, float* max,
            float* mean);
int IMReportInfo(int stream);

#ifdef __cplusplus
}
#endif

#endif /* TREMOSCAN_IMLIB_H */
