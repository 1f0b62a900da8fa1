#include "console/cp932.h"

#include <cstdint>

namespace {

struct Cp932Entry {
    char16_t code_point;
    uint16_t bytes;  // lead byte in the upper half
};

// Every non-ASCII character of the Japanese texts, by code point. A test compares the converted catalogue
// with the system's own converter, so an entry that is missing or wrong shows there.
constexpr Cp932Entry kTable[] = {
    {u'あ', 0x82A0}, {u'い', 0x82A2}, {u'が', 0x82AA}, {u'き', 0x82AB}, {u'く', 0x82AD}, {u'さ', 0x82B3},
    {u'し', 0x82B5}, {u'す', 0x82B7}, {u'せ', 0x82B9}, {u'た', 0x82BD}, {u'つ', 0x82C2}, {u'て', 0x82C4},
    {u'で', 0x82C5}, {u'と', 0x82C6}, {u'な', 0x82C8}, {u'に', 0x82C9}, {u'の', 0x82CC}, {u'は', 0x82CD},
    {u'ま', 0x82DC}, {u'み', 0x82DD}, {u'め', 0x82DF}, {u'り', 0x82E8}, {u'る', 0x82E9}, {u'れ', 0x82EA},
    {u'を', 0x82F0}, {u'ん', 0x82F1}, {u'ァ', 0x8340}, {u'イ', 0x8343}, {u'ェ', 0x8346}, {u'エ', 0x8347},
    {u'ォ', 0x8348}, {u'オ', 0x8349}, {u'カ', 0x834A}, {u'ク', 0x834E}, {u'コ', 0x8352}, {u'シ', 0x8356},
    {u'ジ', 0x8357}, {u'ス', 0x8358}, {u'ズ', 0x8359}, {u'タ', 0x835E}, {u'ッ', 0x8362}, {u'テ', 0x8365},
    {u'デ', 0x8366}, {u'ト', 0x8367}, {u'ド', 0x8368}, {u'パ', 0x8370}, {u'ビ', 0x8372}, {u'フ', 0x8374},
    {u'ブ', 0x8375}, {u'プ', 0x8376}, {u'ヘ', 0x8377}, {u'マ', 0x837D}, {u'メ', 0x8381}, {u'モ', 0x8382},
    {u'ョ', 0x8387}, {u'ラ', 0x8389}, {u'リ', 0x838A}, {u'ル', 0x838B}, {u'レ', 0x838C}, {u'ロ', 0x838D},
    {u'ン', 0x8393}, {u'ー', 0x815B}, {u'一', 0x88EA}, {u'上', 0x8FE3}, {u'不', 0x9573}, {u'了', 0x97B9},
    {u'作', 0x8DEC}, {u'保', 0x95DB}, {u'備', 0x94F5}, {u'像', 0x919C}, {u'元', 0x8CB3}, {u'先', 0x90E6},
    {u'入', 0x93FC}, {u'内', 0x93E0}, {u'冗', 0x8FE7}, {u'処', 0x8F88}, {u'出', 0x8F6F}, {u'前', 0x914F},
    {u'力', 0x97CD}, {u'効', 0x8CF8}, {u'化', 0x89BB}, {u'収', 0x8EFB}, {u'号', 0x8D86}, {u'合', 0x8D87},
    {u'名', 0x96BC}, {u'囲', 0x88CD}, {u'圧', 0x88B3}, {u'在', 0x8DDD}, {u'報', 0x95F1}, {u'場', 0x8FEA},
    {u'変', 0x95CF}, {u'外', 0x8A4F}, {u'大', 0x91E5}, {u'失', 0x8EB8}, {u'子', 0x8E71}, {u'存', 0x91B6},
    {u'完', 0x8AAE}, {u'定', 0x92E8}, {u'実', 0x8EC0}, {u'常', 0x8FED}, {u'幅', 0x959D}, {u'度', 0x9378},
    {u'式', 0x8EAE}, {u'張', 0x92A3}, {u'後', 0x8CE3}, {u'必', 0x954B}, {u'情', 0x8FEE}, {u'成', 0x90AC},
    {u'拡', 0x8A67}, {u'指', 0x8E77}, {u'換', 0x8AB7}, {u'敗', 0x9473}, {u'時', 0x8E9E}, {u'書', 0x8F91},
    {u'最', 0x8DC5}, {u'有', 0x974C}, {u'未', 0x96A2}, {u'正', 0x90B3}, {u'深', 0x905B}, {u'準', 0x8F80},
    {u'無', 0x96B3}, {u'理', 0x979D}, {u'画', 0x89E6}, {u'番', 0x94D4}, {u'登', 0x936F}, {u'確', 0x8A6D},
    {u'示', 0x8EA6}, {u'範', 0x94CD}, {u'終', 0x8F49}, {u'編', 0x95D2}, {u'縮', 0x8F6B}, {u'義', 0x8B60},
    {u'色', 0x9046}, {u'行', 0x8D73}, {u'表', 0x955C}, {u'要', 0x9776}, {u'設', 0x90DD}, {u'読', 0x93C7},
    {u'超', 0x92B4}, {u'込', 0x8D9E}, {u'透', 0x93A7}, {u'過', 0x89DF}, {u'適', 0x934B}, {u'部', 0x9594},
    {u'録', 0x985E}, {u'長', 0x92B7}, {u'限', 0x8CC0}, {u'集', 0x8F57}, {u'高', 0x8D82}, {u'～', 0x8160},
};

constexpr unsigned char kReplacement = '?';

bool find_bytes(uint32_t code_point, uint16_t* bytes)
{
    size_t low = 0;
    size_t high = sizeof kTable / sizeof kTable[0];
    while (low < high) {
        size_t middle = (low + high) / 2;
        if (kTable[middle].code_point < code_point) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    if (low < sizeof kTable / sizeof kTable[0] && kTable[low].code_point == code_point) {
        *bytes = kTable[low].bytes;
        return true;
    }
    return false;
}

// Decodes one UTF-8 character at text and returns its length in bytes (at
// least 1), or 0 with code_point unset for a malformed sequence of one byte.
size_t decode(const unsigned char* text, uint32_t* code_point)
{
    unsigned char lead = text[0];
    size_t length;
    uint32_t value;
    if (lead < 0x80) {
        *code_point = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07u;
    } else {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((text[i] & 0xC0) != 0x80) {  // also stops at the terminating NUL
            return 0;
        }
        value = (value << 6) | (text[i] & 0x3Fu);
    }
    *code_point = value;
    return length;
}

}  // namespace

size_t utf8_to_cp932(const char* utf8, char* out, size_t out_size)
{
    const unsigned char* in = reinterpret_cast<const unsigned char*>(utf8);
    size_t used = 0;
    while (*in != 0) {
        uint32_t code_point = 0;
        size_t length = decode(in, &code_point);
        uint16_t bytes = 0;
        unsigned char encoded[2];
        size_t encoded_length = 1;
        if (length == 0) {
            encoded[0] = kReplacement;
            length = 1;
        } else if (code_point < 0x80) {
            encoded[0] = static_cast<unsigned char>(code_point);
        } else if (find_bytes(code_point, &bytes)) {
            encoded[0] = static_cast<unsigned char>(bytes >> 8);
            encoded[1] = static_cast<unsigned char>(bytes & 0xFF);
            encoded_length = 2;
        } else {
            encoded[0] = kReplacement;
        }
        if (used + encoded_length >= out_size) {
            break;
        }
        for (size_t i = 0; i < encoded_length; ++i) {
            out[used++] = static_cast<char>(encoded[i]);
        }
        in += length;
    }
    out[used] = '\0';
    return used;
}
