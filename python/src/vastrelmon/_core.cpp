// vastrelmon._core: the library's calls for Python. Arguments are checked
// and taken here with the GIL held; the conversion itself runs without it,
// so threads convert at the same time. Failures become the exceptions of
// vastrelmon._errors, built from the library's vastrelmon_result.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <climits>
#include <cstring>
#include <vector>

#include "vastrelmon.h"

namespace {

// vastrelmon._errors._from_result, looked up once at import.
PyObject* g_from_result = nullptr;

struct ColorModeName {
    const char* name;
    vastrelmon_color_mode mode;
};

const ColorModeName kColorModes[] = {
    {"grey", VASTRELMON_COLOR_GREY},         {"red-tone", VASTRELMON_COLOR_RED_TONE},
    {"blue-tone", VASTRELMON_COLOR_BLUE_TONE}, {"rose-tone", VASTRELMON_COLOR_ROSE_TONE},
    {"rgb332", VASTRELMON_COLOR_RGB332},     {"red", VASTRELMON_COLOR_RED_ONLY},
    {"green", VASTRELMON_COLOR_GREEN_ONLY},  {"blue", VASTRELMON_COLOR_BLUE_ONLY},
};

// The keyword options every call shares, as PyArg_ParseTupleAndKeywords
// leaves them, turned into the library's options.
struct Options {
    int interlace = 1;
    PyObject* transparent = Py_None;
    int compress = 1;
    int widest_codes = 0;
    PyObject* color_mode = Py_None;

    bool to_library(vastrelmon_options* out) const
    {
        vastrelmon_options_init(out);
        out->interlace = interlace;
        out->compress = compress;
        out->widest_codes = widest_codes;
        if (transparent != Py_None) {
            // True would silently mean index 1.
            if (!PyLong_Check(transparent) || PyBool_Check(transparent)) {
                PyErr_SetString(PyExc_TypeError, "transparent must be None or an int from 0 to 255");
                return false;
            }
            const long index = PyLong_AsLong(transparent);
            if (index == -1 && PyErr_Occurred()) {
                PyErr_Clear();
                PyErr_SetString(PyExc_ValueError, "transparent must be from 0 to 255");
                return false;
            }
            if (index < 0 || index > 255) {
                PyErr_Format(PyExc_ValueError, "transparent must be from 0 to 255, not %ld", index);
                return false;
            }
            out->transparent = static_cast<int>(index);
        }
        if (color_mode != Py_None) {
            if (!PyUnicode_Check(color_mode)) {
                PyErr_SetString(PyExc_TypeError, "color_mode must be None or a str");
                return false;
            }
            const char* name = PyUnicode_AsUTF8(color_mode);
            if (name == nullptr) {
                return false;
            }
            bool known = false;
            for (const ColorModeName& entry : kColorModes) {
                if (std::strcmp(entry.name, name) == 0) {
                    out->color_mode = entry.mode;
                    known = true;
                }
            }
            if (!known) {
                PyErr_Format(PyExc_ValueError,
                             "unknown color_mode %R; one of 'grey', 'red-tone', 'blue-tone', 'rose-tone', "
                             "'rgb332', 'red', 'green', 'blue', or None",
                             color_mode);
                return false;
            }
        }
        return true;
    }
};

// Raises the exception for a failed call; filename (may be null) goes to
// the OSError of convert_file.
PyObject* raise_failure(vastrelmon_status status, const vastrelmon_result& result, PyObject* filename = nullptr)
{
    if (status == VASTRELMON_ERROR_NO_MEMORY && result.message[0] == '\0') {
        return PyErr_NoMemory();
    }
    PyObject* message = PyUnicode_DecodeFSDefault(result.message);
    PyObject* detail = PyUnicode_DecodeFSDefault(result.detail);
    PyObject* error = nullptr;
    if (message != nullptr && detail != nullptr) {
        error = PyObject_CallFunction(g_from_result, "iiOOO", static_cast<int>(status), result.message_number,
                                      message, detail, filename != nullptr ? filename : Py_None);
    }
    Py_XDECREF(message);
    Py_XDECREF(detail);
    if (error != nullptr) {
        PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error)), error);
        Py_DECREF(error);
    }
    return nullptr;
}

// The GIF the library returned, as bytes; the library's copy is freed.
PyObject* take_gif(unsigned char* gif, size_t size)
{
    PyObject* bytes = PyBytes_FromStringAndSize(reinterpret_cast<const char*>(gif), static_cast<Py_ssize_t>(size));
    vastrelmon_free(gif);
    return bytes;
}

// Releases a Py_buffer on every way out of a call.
struct BufferGuard {
    Py_buffer view{};
    bool held = false;
    ~BufferGuard()
    {
        if (held) {
            PyBuffer_Release(&view);
        }
    }
};

PyObject* convert(PyObject*, PyObject* args, PyObject* kwargs)
{
    static const char* keywords[] = {"", "interlace", "transparent", "compress", "widest_codes", "color_mode",
                                     nullptr};
    PyObject* data = nullptr;
    Options choices;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O|$pOppO:convert", const_cast<char**>(keywords), &data,
                                     &choices.interlace, &choices.transparent, &choices.compress,
                                     &choices.widest_codes, &choices.color_mode)) {
        return nullptr;
    }
    vastrelmon_options options;
    if (!choices.to_library(&options)) {
        return nullptr;
    }
    BufferGuard bmp;
    // Any contiguous bytes-like object, read where it lies.
    if (PyObject_GetBuffer(data, &bmp.view, PyBUF_SIMPLE) != 0) {
        return nullptr;
    }
    bmp.held = true;
    vastrelmon_result result;
    vastrelmon_result_init(&result);
    unsigned char* gif = nullptr;
    size_t gif_size = 0;
    vastrelmon_status status;
    Py_BEGIN_ALLOW_THREADS
    status = vastrelmon_convert(bmp.view.buf, static_cast<size_t>(bmp.view.len), &options, &gif, &gif_size, &result);
    Py_END_ALLOW_THREADS
    if (status != VASTRELMON_OK) {
        return raise_failure(status, result);
    }
    return take_gif(gif, gif_size);
}

// A palette as 3 * entries bytes: a bytes-like object of 3 * n bytes, or a
// sequence of (r, g, b) triples of ints from 0 to 255.
bool read_palette(PyObject* palette, std::vector<unsigned char>* out)
{
    if (PyObject_CheckBuffer(palette)) {
        BufferGuard bytes;
        if (PyObject_GetBuffer(palette, &bytes.view, PyBUF_SIMPLE) != 0) {
            return false;
        }
        bytes.held = true;
        if (bytes.view.len % 3 != 0) {
            PyErr_SetString(PyExc_ValueError, "a bytes palette holds 3 bytes (red, green, blue) for each colour");
            return false;
        }
        const unsigned char* start = static_cast<const unsigned char*>(bytes.view.buf);
        out->assign(start, start + bytes.view.len);
        return true;
    }
    PyObject* entries = PySequence_Fast(palette, "palette must be bytes-like or a sequence of (r, g, b)");
    if (entries == nullptr) {
        return false;
    }
    const Py_ssize_t count = PySequence_Fast_GET_SIZE(entries);
    out->reserve(static_cast<size_t>(count) * 3);
    bool ok = true;
    for (Py_ssize_t i = 0; ok && i < count; ++i) {
        PyObject* triple = PySequence_Fast(PySequence_Fast_GET_ITEM(entries, i),
                                           "each palette entry must be a sequence (r, g, b)");
        if (triple == nullptr) {
            ok = false;
            break;
        }
        if (PySequence_Fast_GET_SIZE(triple) != 3) {
            PyErr_Format(PyExc_ValueError, "palette entry %zd must have 3 values (r, g, b)", i);
            ok = false;
        }
        for (Py_ssize_t c = 0; ok && c < 3; ++c) {
            const long value = PyLong_AsLong(PySequence_Fast_GET_ITEM(triple, c));
            if (value == -1 && PyErr_Occurred()) {
                ok = false;
            } else if (value < 0 || value > 255) {
                PyErr_Format(PyExc_ValueError, "palette entry %zd: %ld is not from 0 to 255", i, value);
                ok = false;
            } else {
                out->push_back(static_cast<unsigned char>(value));
            }
        }
        Py_DECREF(triple);
    }
    Py_DECREF(entries);
    return ok;
}

bool is_byte_format(const char* format)
{
    if (format == nullptr) {
        return true;
    }
    if (std::strchr("@=<>!|", format[0]) != nullptr && format[0] != '\0') {
        ++format;
    }
    return std::strcmp(format, "B") == 0 || std::strcmp(format, "c") == 0;
}

PyObject* encode(PyObject*, PyObject* args, PyObject* kwargs)
{
    static const char* keywords[] = {"",           "palette",      "interlace", "transparent", "compress",
                                     "widest_codes", "color_mode", nullptr};
    PyObject* pixels = nullptr;
    PyObject* palette = Py_None;
    Options choices;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O|$OpOppO:encode", const_cast<char**>(keywords), &pixels,
                                     &palette, &choices.interlace, &choices.transparent, &choices.compress,
                                     &choices.widest_codes, &choices.color_mode)) {
        return nullptr;
    }
    vastrelmon_options options;
    if (!choices.to_library(&options)) {
        return nullptr;
    }
    BufferGuard image;
    if (PyObject_GetBuffer(pixels, &image.view, PyBUF_RECORDS_RO) != 0) {
        return nullptr;
    }
    image.held = true;
    const Py_buffer& view = image.view;
    if (view.itemsize != 1 || !is_byte_format(view.format)) {
        PyErr_Format(PyExc_TypeError, "pixels must be bytes (uint8), not items of format '%s'",
                     view.format != nullptr ? view.format : "B");
        return nullptr;
    }
    const bool rgb = view.ndim == 3;
    if (!(view.ndim == 2 || (rgb && view.shape[2] == 3))) {
        PyErr_SetString(PyExc_ValueError,
                        "pixels must be height x width x 3 (RGB) or height x width (indices with a palette); "
                        "a flat buffer can be shaped with memoryview(data).cast('B', (height, width, 3))");
        return nullptr;
    }
    if (rgb && palette != Py_None) {
        PyErr_SetString(PyExc_ValueError, "a palette goes only with height x width indices, not RGB pixels");
        return nullptr;
    }
    if (!rgb && palette == Py_None) {
        PyErr_SetString(PyExc_ValueError, "height x width indices need a palette");
        return nullptr;
    }
    if (view.shape[0] > INT_MAX || view.shape[1] > INT_MAX) {
        PyErr_SetString(PyExc_ValueError, "pixels: too many rows or columns");
        return nullptr;
    }
    const int height = static_cast<int>(view.shape[0]);
    const int width = static_cast<int>(view.shape[1]);
    const Py_ssize_t pixel_size = rgb ? 3 : 1;
    std::vector<unsigned char> colours;
    if (!rgb && !read_palette(palette, &colours)) {
        return nullptr;
    }
    if (!rgb && (colours.empty() || colours.size() > 3 * 256)) {
        PyErr_Format(PyExc_ValueError, "a palette has 1 to 256 colours, not %zu", colours.size() / 3);
        return nullptr;
    }
    // Rows whose pixels lie packed are read in place, with their stride;
    // any other layout (columns apart, rows upwards) is copied first.
    const void* rows = view.buf;
    size_t stride = static_cast<size_t>(view.shape[1] * pixel_size);
    std::vector<unsigned char> copy;
    const bool packed_rows = view.strides[1] == pixel_size && (!rgb || view.strides[2] == 1) &&
                             view.strides[0] >= view.shape[1] * pixel_size;
    if (packed_rows) {
        stride = static_cast<size_t>(view.strides[0]);
    } else if (view.len > 0) {
        try {
            copy.resize(static_cast<size_t>(view.len));
        } catch (const std::bad_alloc&) {
            return PyErr_NoMemory();
        }
        if (PyBuffer_ToContiguous(copy.data(), &view, view.len, 'C') != 0) {
            return nullptr;
        }
        rows = copy.data();
    }
    vastrelmon_result result;
    vastrelmon_result_init(&result);
    unsigned char* gif = nullptr;
    size_t gif_size = 0;
    vastrelmon_status status;
    Py_BEGIN_ALLOW_THREADS
    if (rgb) {
        status = vastrelmon_encode_rgb(rows, width, height, stride, &options, &gif, &gif_size, &result);
    } else {
        status = vastrelmon_encode_indexed(rows, width, height, stride, colours.data(),
                                           static_cast<int>(colours.size() / 3), &options, &gif, &gif_size,
                                           &result);
    }
    Py_END_ALLOW_THREADS
    if (status != VASTRELMON_OK) {
        return raise_failure(status, result);
    }
    return take_gif(gif, gif_size);
}

PyObject* convert_file(PyObject*, PyObject* args, PyObject* kwargs)
{
    static const char* keywords[] = {"", "", "interlace", "transparent", "compress", "widest_codes", "color_mode",
                                     nullptr};
    PyObject* source = nullptr;  // bytes, from PyUnicode_FSConverter
    PyObject* target = nullptr;
    Options choices;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O&O&|$pOppO:convert_file", const_cast<char**>(keywords),
                                     PyUnicode_FSConverter, &source, PyUnicode_FSConverter, &target,
                                     &choices.interlace, &choices.transparent, &choices.compress,
                                     &choices.widest_codes, &choices.color_mode)) {
        return nullptr;  // the converters release what they made
    }
    vastrelmon_options options;
    PyObject* answer = nullptr;
    if (choices.to_library(&options)) {
        vastrelmon_result result;
        vastrelmon_result_init(&result);
        const char* bmp_path = PyBytes_AS_STRING(source);
        const char* gif_path = PyBytes_AS_STRING(target);
        vastrelmon_status status;
        Py_BEGIN_ALLOW_THREADS
        status = vastrelmon_convert_file(bmp_path, gif_path, &options, &result);
        Py_END_ALLOW_THREADS
        if (status == VASTRELMON_OK) {
            Py_INCREF(Py_None);
            answer = Py_None;
        } else {
            PyObject* filename = status == VASTRELMON_ERROR_OUTPUT_EXISTS ? PyUnicode_DecodeFSDefault(gif_path)
                                                                           : nullptr;
            raise_failure(status, result, filename);
            Py_XDECREF(filename);
        }
    }
    Py_DECREF(source);
    Py_DECREF(target);
    return answer;
}

#define OPTIONS_SIGNATURE "interlace=True, transparent=None, compress=True, widest_codes=False, color_mode=None"
#define OPTIONS_HELP                                                                          \
    "\n\nOptions (the program's switches):\n"                                                  \
    "  interlace     False: rows top to bottom (/i).\n"                                       \
    "  transparent   None, or the colour index 0..255 shown as transparent (/t);\n"           \
    "                ignored for RGB pixels and 24-bit pictures.\n"                           \
    "  compress      False: uncompressed codes that every decoder reads (/u).\n"              \
    "  widest_codes  with compress=False: codes widen up to 12 bits (/b).\n"                  \
    "  color_mode    None, or one of (/e):\n"                                                 \
    "                'grey' greyscale, 'red-tone', 'blue-tone', 'rose-tone' toned\n"          \
    "                greyscale, 'rgb332' the fixed 3-3-2 palette of 256 colours,\n"           \
    "                'red', 'green', 'blue' that channel only.\n\n"                           \
    "Raises vastrelmon.Error (BMPError, TooManyColorsError, TransparencyError,\n"            \
    "TooLargeError, ...) when the picture cannot be converted, ValueError or\n"              \
    "TypeError for bad arguments, MemoryError when memory runs out."

PyMethodDef kMethods[] = {
    {"convert", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)(void)>(convert)),
     METH_VARARGS | METH_KEYWORDS,
     "convert($module, data, /, *, " OPTIONS_SIGNATURE ")\n--\n\n"
     "BMP bytes (any bytes-like object, read where it lies) to the GIF bytes\n"
     "the program writes for the same picture and options." OPTIONS_HELP},
    {"encode", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)(void)>(encode)),
     METH_VARARGS | METH_KEYWORDS,
     "encode($module, pixels, /, *, palette=None, " OPTIONS_SIGNATURE ")\n--\n\n"
     "Pixels to GIF bytes: height x width x 3 uint8 RGB, or height x width\n"
     "uint8 indices with a palette of 1 to 256 colours: a sequence of\n"
     "(r, g, b) or bytes-like of 3 bytes a colour. Rows may lie apart (a\n"
     "stride); other layouts are copied first. The GIF is the one the program\n"
     "writes for a 24-bit BMP of the same RGB pixels, or an 8-bit BMP with\n"
     "that colour table." OPTIONS_HELP},
    {"convert_file", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)(void)>(convert_file)),
     METH_VARARGS | METH_KEYWORDS,
     "convert_file($module, source, target, /, *, " OPTIONS_SIGNATURE ")\n--\n\n"
     "A BMP file to a GIF file that is never overwritten and is complete or\n"
     "absent; use vastrelmon.convert_file." OPTIONS_HELP},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef kModule = {
    PyModuleDef_HEAD_INIT, "vastrelmon._core", "The C library's calls; use the vastrelmon package instead.",
    -1, kMethods, nullptr, nullptr, nullptr, nullptr,
};

}  // namespace

PyMODINIT_FUNC PyInit__core(void)
{
    PyObject* errors = PyImport_ImportModule("vastrelmon._errors");
    if (errors == nullptr) {
        return nullptr;
    }
    g_from_result = PyObject_GetAttrString(errors, "_from_result");
    Py_DECREF(errors);
    if (g_from_result == nullptr) {
        return nullptr;
    }
    PyObject* module = PyModule_Create(&kModule);
    if (module == nullptr) {
        return nullptr;
    }
    if (PyModule_AddStringConstant(module, "__version__", vastrelmon_version()) != 0) {
        Py_DECREF(module);
        return nullptr;
    }
    return module;
}
