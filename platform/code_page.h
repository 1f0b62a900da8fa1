// The console's code page, which decides the language of every message.
#ifndef VASTRELMON_PLATFORM_CODE_PAGE_H
#define VASTRELMON_PLATFORM_CODE_PAGE_H

// The console's code page. Windows asks the console; POSIX reads the
// character set that the locale variables declare (LC_ALL, LC_CTYPE, LANG,
// first non-empty): a Shift_JIS codeset gives 932, anything else another page.
int console_code_page();

// Decides the code page from a locale string such as "ja_JP.SJIS".
int code_page_from_locale(const char* locale);

#endif
