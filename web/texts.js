// The page's texts in English and Japanese. Functions take the numbers or
// names that go into a text, so each language orders them its own way.
const bytes = (n) => n.toLocaleString("en");

export const TEXTS = {
  en: {
    pageTitle: "Vastrelmon: BMP to GIF",
    title: "Vastrelmon: BMP to GIF",
    promise: "Your pictures are converted on this computer; nothing is sent anywhere.",
    language: "Language",
    pickHeading: "BMP pictures",
    dropHint: "Drop one or more BMP files here, or pick them:",
    optionsHeading: "Options",
    interlace: "Interlaced rows",
    useTransparent: "Transparent colour",
    transparentIndex: "index",
    uncompressed: "Uncompressed (no LZW)",
    widest: "Widest codes (up to 12 bits, uncompressed only)",
    colorMode: "Colour mode",
    modeNone: "As it is",
    modeGrey: "Greyscale",
    modeRedTone: "Red-toned greyscale",
    modeBlueTone: "Blue-toned greyscale",
    modeRoseTone: "Rose-toned greyscale",
    modeRgb332: "Fixed 3-3-2 palette (256 colours)",
    modeRed: "Red channel only",
    modeGreen: "Green channel only",
    modeBlue: "Blue channel only",
    resultsHeading: "Results",
    downloadAll: "Download all GIFs",
    clear: "Clear the results",
    offline: "Once loaded, this page also works offline.",
    loading: "Loading the converter… You can already pick pictures.",
    ready: "Ready.",
    loadFailed: (why) => `The converter could not be loaded: ${why}`,
    progress: (done, total) => `${done} of ${total} done`,
    idle: "No pictures yet",
    waiting: "Waiting…",
    converting: "Converting…",
    gifAlt: (name) => `GIF made from ${name}`,
    sizes: (gif, bmp) =>
      `GIF ${bytes(gif)} bytes, ${Math.round((gif / bmp) * 1000) / 10}% of the BMP's ${bytes(bmp)} bytes`,
    colors: (n) => `Colour table: ${n} colours (the GIF's global colour table)`,
    time: (ms) => `Converted in ${ms < 10 ? ms.toFixed(1) : Math.round(ms)} ms`,
    download: (name) => `Download ${name}`,
    refused: "Not converted:",
    detail: "Detail:",
    hintColors: "This picture has more than 256 colours. Pick a colour mode above (for example Greyscale or the fixed 3-3-2 palette) and convert it again.",
    hintTransparency: "The transparent index is beyond this picture's colour table: pick a smaller one, or none.",
    again: "Convert again with the current options",
    crashed: "The converter stopped on this picture (it may be too large for this browser's memory).",
  },
  ja: {
    pageTitle: "Vastrelmon: BMP から GIF へ",
    title: "Vastrelmon: BMP から GIF へ",
    promise: "画像はこのコンピューターの中で変換されます。どこにも送信されません。",
    language: "言語",
    pickHeading: "BMP 画像",
    dropHint: "BMP ファイルをここにドロップするか、選択してください:",
    optionsHeading: "オプション",
    interlace: "インタレース",
    useTransparent: "透過色",
    transparentIndex: "色番号",
    uncompressed: "無圧縮 (LZW 圧縮なし)",
    widest: "最大コード幅 (12 ビットまで、無圧縮のときのみ)",
    colorMode: "カラーモード",
    modeNone: "そのまま",
    modeGrey: "グレースケール",
    modeRedTone: "赤系グレースケール",
    modeBlueTone: "青系グレースケール",
    modeRoseTone: "ローズ系グレースケール",
    modeRgb332: "固定 3-3-2 パレット (256 色)",
    modeRed: "赤チャンネルのみ",
    modeGreen: "緑チャンネルのみ",
    modeBlue: "青チャンネルのみ",
    resultsHeading: "変換結果",
    downloadAll: "すべての GIF をダウンロード",
    clear: "結果を消去",
    offline: "一度読み込めば、このページはオフラインでも使えます。",
    loading: "変換プログラムを読み込んでいます… 画像はもう選択できます。",
    ready: "準備ができました。",
    loadFailed: (why) => `変換プログラムを読み込めませんでした: ${why}`,
    progress: (done, total) => `${total} 件中 ${done} 件を処理しました`,
    idle: "まだ画像がありません",
    waiting: "待機中…",
    converting: "変換中…",
    gifAlt: (name) => `${name} から作った GIF`,
    sizes: (gif, bmp) =>
      `GIF ${bytes(gif)} バイト (BMP ${bytes(bmp)} バイトの ${Math.round((gif / bmp) * 1000) / 10}%)`,
    colors: (n) => `カラーテーブル: ${n} 色 (GIF のグローバルカラーテーブル)`,
    time: (ms) => `変換時間 ${ms < 10 ? ms.toFixed(1) : Math.round(ms)} ミリ秒`,
    download: (name) => `${name} をダウンロード`,
    refused: "変換できませんでした:",
    detail: "詳細:",
    hintColors: "この画像は 256 色を超えています。上のカラーモード (グレースケールや固定 3-3-2 パレットなど) を選んで、もう一度変換してください。",
    hintTransparency: "透過色番号がこの画像のカラーテーブルの範囲外です。小さい番号を選ぶか、透過色を外してください。",
    again: "現在のオプションでもう一度変換",
    crashed: "この画像で変換プログラムが停止しました (このブラウザーのメモリーには大きすぎる可能性があります)。",
  },
};

// English unless the browser prefers Japanese before English.
export function preferredLanguage(languages) {
  for (const language of languages ?? []) {
    const code = String(language).toLowerCase();
    if (code.startsWith("ja")) {
      return "ja";
    }
    if (code.startsWith("en")) {
      return "en";
    }
  }
  return "en";
}
