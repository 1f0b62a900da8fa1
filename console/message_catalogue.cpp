// The message catalogue. Both columns are written here as the user reads them; the Japanese texts are UTF-8
// and become code page 932 bytes when they are printed on such a console (console/cp932.h).
#include "console/messages.h"

const MessageRow MessageCatalogue[kMessageCount] = {
    // 0
    {ARG_STRING,
      "プロジェクトQuorvel Rev.%s\n",
      "Project Quorvel Rev.%s\n"},
    // 1
    {ARG_STRING,
      "Vastrelmon Rev.%s\n",
      "Vastrelmon Rev.%s\n"},
    // 2
    {ARG_NONE,
      "\t\t\t\tBMP to GIF converter - the Vastrelmon developers\n",
      "\t\t\t\tBMP to GIF converter - the Vastrelmon developers\n"},
    // 3
    {ARG_NONE,
      "GIFについて\tThe Graphics Interchange Format(c) is the Copyright\n"
      "\t\tproperty  of  CompuServe  Incorporated. GIF(sm)  is\n"
      "\t\ta Service Mark property of CompuServe Incorporated.\n",
      "About GIF ...\tThe Graphics Interchange Format(c) is the Copyright\n"
      "\t\tproperty  of  CompuServe  Incorporated. GIF(sm)  is\n"
      "\t\ta Service Mark property of CompuServe Incorporated.\n"},
    // 4
    {ARG_NONE,
      "書式:\n"
      "  0: /h\n"
      "  1: {<オプション>} <入力ファイル[.bmp]> {<出力ファイル[.gif]>}\n"
      "オプション:\n"
      "  /h\t  ヘルプ表示\n",
      "USAGE:\n"
      "  0: /h\n"
      "  1: {<option>} <input BMP file> {<output GIF file>}\n"
      "option:\n"
      "  /h\t  Print Help Message\n"},
    // 5
    {ARG_NONE,
      "書式:\t   {<オプション>} <入力ファイル[.bmp]> {<出力ファイル[.gif]>}\n"
      "\n"
      "オプション:\n"
      "  /i\t  インタレース設定を無効にする(デフォルト:インタレース有効)\n"
      "  /t<num> 色番号<num:0～255>を透過色としたファイルを作成する\n"
      "  /o\t  カラーテーブルの最適化を無効にする(デフォルト:最適化有効)\n"
      "  /u\t  LZW圧縮を無効にする(デフォルト:LZW圧縮有効)\n"
      "  /v\t  冗長表示を有効にする(デフォルト:冗長表示無効)\n"
      "入力ファイル:\t拡張子が\"bmp\"である無圧縮ファイルに限ります\n"
      "出力ファイル:\t拡張子が\"gif\"であるファイルに限ります\n"
      "\t\t指定が無い場合は\"<入力ファイル>.gif\"となります\n"
      "\t\t存在しているファイルの上書きは行いません\n",
      "USAGE:\t   {<option>} <input BMP file> {<output GIF file>}\n"
      "\n"
      "option:\n"
      "  /i\t  Interlace mode off(Default:on)\n"
      "  /t<num> Transparency mode on[TransparencyColorCode=num:0..255]\n"
      "  /o\t  ColorTable optimization off(Default:on)\n"
      "  /u\t  LZW compression mode off(Default:on)\n"
      "  /v\t  Verbose on(Default:off)\n"
      "input file:\tOnly .BMP extension and no-compression file.\n"
      "output file:\tOnly .GIF extension. If <output GIF file> is none,\n"
      "\t\tit's considered <input BMP file>+\".gif\".\n"
      "\t\tIf output file is exist, cancel outputting it.(no overwrite)\n"},
    // 6
    {ARG_STRING,
      "情報  :入力ファイル名:%s\n",
      "Info  :Input Filename:%s\n"},
    // 7
    {ARG_STRING,
      "情報  :出力ファイル名:%s\n",
      "Info  :Output Filename:%s\n"},
    // 8
    {ARG_NONE,
      "情報  :カラーパレット最適化を有効にします\n",
      "Info  :Enable Optimize Color Palette\n"},
    // 9
    {ARG_INTEGER,
      "情報  :入力画像幅  =%d\n",
      "Info  :BMP Width =%d\n"},
    // 10
    {ARG_INTEGER,
      "情報  :入力画像高さ=%d\n",
      "Info  :BMP Height=%d\n"},
    // 11
    {ARG_INTEGER,
      "\r情報  :画像変換処理 %3d%%完了",
      "\rInfo  :Process %3d%%/100%%"},
    // 12
    {ARG_NONE,
      "情報  :処理正常終了\n",
      "Info  :Success.\n"},
    // 13
    {ARG_NONE,
      "情報  :色深度が8ビットを超過するため透過色指定を無効にします\n",
      "Info  :Transparency mode disable because color depth exceeds 8 bits.\n"},
    // 14
    {ARG_INTEGER,
      "情報  :最適化前色深度=%d\n",
      "Info  :[Before]Color Depth=%d\n"},
    // 15
    {ARG_INTEGER,
      "情報  :最適化後色深度=%d\n",
      "Info  :[After] Color Depth=%d\n"},
    // 16
    {ARG_NONE,
      "エラー:コマンドの書式が正しくありません\n",
      "Error :Invalid Command\n"},
    // 17
    {ARG_STRING,
      "エラー:出力先(%s)を上書きできません\n",
      "Error :\"%s\" Already Exists\n"},
    // 18
    {ARG_STRING,
      "エラー:入力元(%s)はすでにオープンされています\n",
      "Error :\"%s\" Already Opened\n"},
    // 19
    {ARG_STRING,
      "エラー:入力元(%s)がオープンできません\n",
      "Error :\"%s\" Can't Open\n"},
    // 20
    {ARG_INTEGER,
      "エラー:BMPの読み込みに失敗しました(%X)\n",
      "Error :Fail To Read BMP File(%X)\n"},
    // 21
    {ARG_NONE,
      "エラー:実行に必要なメモリの確保に失敗しました\n",
      "Error :Fail To Allocate Memory\n"},
    // 22
    {ARG_INTEGER,
      "エラー:実行に必要なメモリの確保に失敗しました(%X)\n",
      "Error :Fail To Allocate Memory(%X)\n"},
    // 23
    {ARG_NONE,
      "エラー:指定した透過色番号は正しくありません\n",
      "Error :Out Of Range[Transparency Color]\n"},
    // 24
    {ARG_NONE,
      "エラー:パレット編集に失敗しました\n",
      "Error :Fail To Edit Palette\n"},
    // 25
    {ARG_NONE,
      "エラー:パレット作成に失敗しました\n",
      "Error :Fail To Make Palette\n"},
    // 26
    {ARG_NONE,
      "エラー:256色に収まりません\n",
      "Error :Can't Optimized Palette[More Than 257]\n"},
    // 27
    {ARG_INTEGER,
      "エラー:色深度が範囲外です(%d)\n",
      "Error :Out Of Range[Color Depth](%d)\n"},
    // 28
    {ARG_NONE,
      "エラー:インタレースモードが不正です\n",
      "Error :Illegal Interlace mode\n"},
    // 29
    {ARG_NONE,
      "エラー:パレットの登録に失敗しました\n",
      "Error :Fail To Regist Palette\n"},
    // 30
    {ARG_STRING,
      "エラー:圧縮[%s]の設定に失敗しました\n",
      "Error :Fail To Set Compress Mode[%s]\n"},
    // 31
    {ARG_STRING,
      "エラー:最大化[%s]の設定に失敗しました\n",
      "Error :Fail To Set Biggest Mode[%s]\n"},
    // 32
    {ARG_NONE,
      "エラー:画像登録に失敗しました\n",
      "Error :Fail To Regist Image Data\n"},
    // 33
    {ARG_STRING,
      "エラー:出力先(%s)がオープンできません\n",
      "Error :\"%s\" Can't Open\n"},
    // 34
    {ARG_STRING,
      "エラー:出力先(%s)に書き込みできません\n",
      "Error :\"%s\" Can't Write\n"},
    // 35
    {ARG_NONE,
      "エラー:内部データの設定に失敗しました\n",
      "Error :Fail To Inner Data\n"},
    // 36
    {ARG_STRING,
      "エラー:出力先(%s)がクローズできません\n",
      "Error :\"%s\" Can't Close\n"},
    // 37
    {ARG_STRING,
      "エラー:一時ファイル(%s)の書き込み準備に失敗しました\n",
      "Error :Fail To Write Ready \"%s\"\n"},
    // 38
    {ARG_INTEGER,
      "エラー:未定義エラーです(%X)\n",
      "Error :Undefinned Error(%X)\n"},
    // 39
    {ARG_INTEGER,
      "エラー:未定義エラーです(%X)\n",
      "Error :Undefinned Error(%X)\n"},
};
