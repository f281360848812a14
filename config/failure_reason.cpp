#include "config/failure_reason.h"

#include <cerrno>
#include <cstring>

#include "config/regular_file.h"
#include "config/safe_file.h"

namespace {

thread_local TFailureReason loadFailure;
thread_local TFailureReason saveFailure;

struct TErrnoText {
    int Error;
    const char* Japanese;
};

// The system messages a user meets when reading and writing pictures.
constexpr TErrnoText kJapaneseErrors[] = {
    {ENOSPC, "デバイスに空き領域がありません"},
    {EACCES, "アクセスが拒否されました"},
    {EPERM, "操作が許可されていません"},
    {EFBIG, "ファイルが大きすぎます"},
    {ENOENT, "そのようなファイルやフォルダーはありません"},
    {EROFS, "読み込み専用のファイルシステムです"},
    {EISDIR, "フォルダーです"},
    {ENOTDIR, "フォルダーではありません"},
    {EDQUOT, "ディスク使用量の制限を超えました"},
    {EIO, "入出力エラーです"},
    {ENAMETOOLONG, "ファイル名が長すぎます"},
    {ENOMEM, "メモリが足りません"},
};

std::string SystemText(int error, bool english) {
    if (error == kNotRegularFileError) return english ? "not a regular file" : "通常のファイルではありません";
    if (!english)
        for (const TErrnoText& entry : kJapaneseErrors)
            if (entry.Error == error) return entry.Japanese;
    return std::strerror(error);
}

}  // namespace

TFailureReason LastLoadFailure() { return loadFailure; }
void SetLastLoadFailure(TFailureReason reason) { loadFailure = reason; }

TFailureReason LastSaveFailure() {
    if (saveFailure.Kind != TFailure::None) return saveFailure;
    const int error = SafeFileError();
    return error != 0 ? TFailureReason{TFailure::System, error}
                      : TFailureReason{TFailure::WriterRefused, 0};
}
void SetLastSaveFailure(TFailureReason reason) { saveFailure = reason; }
void ClearSaveFailure() {
    saveFailure = {};
    SetSafeFileError(0);
}

std::string FailureText(const TFailureReason& reason, bool english) {
    switch (reason.Kind) {
    case TFailure::None: return std::string();
    case TFailure::System: return SystemText(reason.Error, english);
    case TFailure::NotRegularFile: return SystemText(kNotRegularFileError, english);
    case TFailure::NotPicture:
        return english ? "not a picture any plug-in or the BMP reader understands"
                       : "プラグインでも BMP としても読めない画像です";
    case TFailure::TooLarge:
        return english ? "larger than 16384 x 16384 pixels" : "16384 x 16384 ピクセルより大きい画像です";
    case TFailure::Damaged:
        return english ? "damaged or truncated" : "ファイルが壊れているか途中で切れています";
    case TFailure::OutOfMemory: return english ? "out of memory" : "メモリが足りません";
    case TFailure::WriterRefused:
        return english ? "the writer refused the picture" : "この画像は書き込めません";
    case TFailure::NeedsReduced:
        return english ? "a GIF needs a reduced picture" : "GIF には減色した画像が必要です";
    }
    return std::string();
}
