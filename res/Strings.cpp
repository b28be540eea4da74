// The string table. Texts are UTF-8 here and code page 932 once loaded.
#include "framework/ResourceTypes.h"
#include "res/resource.h"

#include <algorithm>
#include <array>

namespace res {
namespace {

constexpr std::array kStrings = {
    STRINGRESOURCE{IDS_ABOUTBOX, "RUVelo2 のﾊﾞｰｼﾞｮﾝ情報(&A)..."},
    STRINGRESOURCE{AFX_IDS_UNNAMED_FILE, "無題のﾌｧｲﾙ"},
    STRINGRESOURCE{AFX_IDP_FAILED_TO_LAUNCH_HELP, "ﾍﾙﾌﾟの起動に失敗しました。"},
    // The file-error messages, one per cause, at AFX_IDP_FILE_NONE plus the cause.
    STRINGRESOURCE{AFX_IDP_FILE_NONE + 0, "ｴﾗｰはありませんでした。"},
    STRINGRESOURCE{AFX_IDP_FILE_NONE + 1, "%1 へのｱｸｾｽ中に不明なｴﾗｰが発生しました。"},
    STRINGRESOURCE{AFX_IDP_FILE_NONE + 2, "%1 が見つかりませんでした。"},
    STRINGRESOURCE{AFX_IDP_FILE_NONE + 3, "%1 には無効なﾊﾟｽが含まれています。"},
    STRINGRESOURCE{AFX_IDP_FILE_NONE + 4, "開いているﾌｧｲﾙが多すぎるため、%1 を開けませんでした。"},
    STRINGRESOURCE{AFX_IDP_FILE_NONE + 5, "%1 へのｱｸｾｽは拒否されました。"},
    STRINGRESOURCE{AFX_IDP_FILE_NONE + 6, "%1 へ無効なﾌｧｲﾙ ﾊﾝﾄﾞﾙが関連付けられていました。"},
    STRINGRESOURCE{AFX_IDP_FILE_NONE + 7, "現在のﾃﾞｨﾚｸﾄﾘ %1 は削除できませんでした。"},
    STRINGRESOURCE{AFX_IDP_FILE_NONE + 8, "%1 を作成できませんでした。そのﾃﾞｨﾚｸﾄﾘはいっぱいです。"},
    STRINGRESOURCE{AFX_IDP_FILE_NONE + 9, "%1 のｼｰｸに失敗しました。"},
    STRINGRESOURCE{AFX_IDP_FILE_NONE + 10, "%1 へのｱｸｾｽ中にﾊｰﾄﾞｳｪｱ I/O ｴﾗｰが報告されました。"},
    STRINGRESOURCE{AFX_IDP_FILE_NONE + 11, "%1 へのｱｸｾｽ中に共有違反が発生しました。"},
    STRINGRESOURCE{AFX_IDP_FILE_NONE + 12, "%1 へのｱｸｾｽ中にﾛｯｸ違反が発生しました。"},
    STRINGRESOURCE{AFX_IDP_FILE_NONE + 13, "%1 へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。"},
    STRINGRESOURCE{AFX_IDP_FILE_NONE + 14, "%1 の末尾以降にｱｸｾｽしようとしました。"},
};

} // namespace

const STRINGRESOURCE* FindString(UINT id)
{
    const auto it = std::find_if(kStrings.begin(), kStrings.end(), [id](const STRINGRESOURCE& s) { return s.id == id; });
    return it == kStrings.end() ? nullptr : &*it;
}

std::span<const STRINGRESOURCE> AllStrings() { return kStrings; }

} // namespace res
