#include "TaskFileGenerator.h"

#include "framework/Cp932.h"

#include <array>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string_view>

namespace {

// Words of a to-do list, UTF-8 here and code page 932 in the tasks. Some have a trail byte of
// 0x5C or 0x7C (ソ, 表, 能), as real Japanese text does; a few are half-width katakana.
constexpr std::array kJapaneseWords = {
    "買い物",   "牛乳",     "資料",   "作成",   "提出",         "確認",       "電話",     "予約", "病院", "歯医者",
    "支払い",   "振込",     "請求書", "見積書", "報告書",       "打ち合わせ", "準備",     "掃除", "洗濯", "料理",
    "返却",     "図書館",   "郵便局", "荷物",   "受け取り",     "送付",       "申し込み", "更新", "契約", "保険",
    "税金",     "申告",     "銀行",   "口座",   "家賃",         "修理",       "自転車",   "車検", "予定", "旅行",
    "切符",     "ホテル",   "新幹線", "誕生日", "プレゼント",   "メール",     "返信",     "連絡", "先生", "部長",
    "課長",     "お客様",   "来週",   "明日",   "今日",         "月曜日",     "金曜日",   "午前", "午後", "までに",
    "必ず",     "急ぎ",     "ソフト", "表示",   "能力",         "機能",       "予算",     "会計", "整理", "片付け",
    "引っ越し", "粗大ゴミ", "宿題",   "英語",   "勉強",         "試験",       "申請",     "書類", "印鑑", "役所",
    "住民票",   "免許",     "写真",   "データ", "バックアップ", "パソコン",   "サーバー", "設定", "会社", "研修",
    "資格",     "美容院",   "ＵＳＢ", "ｶｯﾄ",    "ﾚｼｰﾄ",         "の",         "を",       "に",   "と",   "する",
    "ー",       "（至急）",
};

constexpr std::array kAsciiWords = {
    "report",    "meeting", "PR",      "review", "deploy", "backup", "v2.1",   "TODO",  "call",
    "Mr. Smith", "email",   "invoice", "10:00",  "3F",     "Zoom",   "slides", "draft", "fix",
    "bug #123",  "OK",      "Q3",      "budget", "A4",     "x2",     "PDF",    "Excel",
};

// Details read as sentences: Japanese punctuation between some words.
constexpr std::array kPunctuation = {"、", "。", "・", " ", "　"};

constexpr std::array kRareImportances = {10, 20, 99, 100, -1, -5, 1000, 2147483647, -2147483647 - 1};

struct Vocabulary {
    std::vector<std::string> japanese;
    std::vector<std::string> ascii;
    std::vector<std::string> punctuation;
    std::string common;
};

const Vocabulary& Words()
{
    static const Vocabulary vocabulary = [] {
        Vocabulary v;
        for (const char* p : kJapaneseWords) {
            v.japanese.push_back(cp932::FromUtf8(p));
        }
        for (const char* p : kAsciiWords) {
            v.ascii.emplace_back(p);
        }
        for (const char* p : kPunctuation) {
            v.punctuation.push_back(cp932::FromUtf8(p));
        }
        v.common = cp932::FromUtf8("会議");
        return v;
    }();
    return vocabulary;
}

} // namespace

CTaskFileGenerator::CTaskFileGenerator(std::uint64_t nSeed) : m_nState(nSeed) {}

std::uint64_t CTaskFileGenerator::NextRandom()
{
    // splitmix64: small, fast and the same everywhere.
    std::uint64_t z = (m_nState += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::string CTaskFileGenerator::CommonTitleWord()
{
    return Words().common;
}

std::string CTaskFileGenerator::AbsentText()
{
    return cp932::FromUtf8("ZZ該当なし");
}

std::string CTaskFileGenerator::MakeText(std::size_t nTarget, std::size_t nMax, bool bTitle)
{
    const Vocabulary& v = Words();
    std::string strText;
    if (bTitle && Below(12) == 0) {
        strText = v.common;
    }
    bool bLastAscii = false;
    while (strText.size() < nTarget) {
        // About one word in four is ASCII; two ASCII words in a row stand apart.
        const bool bAscii = Below(4) == 0;
        if (!strText.empty() && Below(bTitle ? 4 : 3) == 0) {
            strText += v.punctuation[Below(bTitle ? 2 : v.punctuation.size()) + (bTitle ? 3 : 0)];
        } else if (bAscii && bLastAscii) {
            strText += ' ';
        }
        strText += bAscii ? v.ascii[Below(v.ascii.size())] : v.japanese[Below(v.japanese.size())];
        bLastAscii = bAscii;
    }
    // Never end inside a double-byte character: the program's own cut is not what is measured here.
    return std::string(cp932::CutAtCharBoundary(strText, nMax));
}

int CTaskFileGenerator::MakeImportance()
{
    if (Below(100) < 3) {
        return kRareImportances[Below(kRareImportances.size())];
    }
    // The entry dialog suggests 5, so 5 is the most common; then 0 to 9 evenly.
    return Below(3) == 0 ? 5 : static_cast<int>(Below(10));
}

CGeneratedTask CTaskFileGenerator::Next()
{
    CGeneratedTask task;
    task.strTitle = MakeText(kMinTitle + Below(kMaxTitle - kMinTitle + 1), kMaxTitle, true);
    task.nImportance = MakeImportance();
    if (Below(4) != 0) {
        task.strDetails = MakeText(1 + Below(kMaxDetails), kMaxDetails, false);
    }
    return task;
}

void AppendRecord(std::string& strOut, const CGeneratedTask& task)
{
    strOut += task.strTitle;
    strOut += '\t';
    strOut += std::to_string(task.nImportance);
    strOut += '\t';
    strOut += task.strDetails;
    strOut += "\r\n";
}

std::vector<CGeneratedTask> GenerateTasks(std::size_t nTasks, std::uint64_t nSeed)
{
    CTaskFileGenerator generator(nSeed);
    std::vector<CGeneratedTask> tasks;
    tasks.reserve(nTasks);
    for (std::size_t i = 0; i < nTasks; ++i) {
        tasks.push_back(generator.Next());
    }
    return tasks;
}

std::string FormatTaskFile(const std::vector<CGeneratedTask>& tasks)
{
    std::string strOut;
    for (const CGeneratedTask& task : tasks) {
        AppendRecord(strOut, task);
    }
    return strOut;
}

std::size_t WriteTaskFile(const std::string& strPath, std::size_t nTasks, std::uint64_t nSeed)
{
    struct FileCloser {
        void operator()(std::FILE* p) const { std::fclose(p); }
    };
    std::unique_ptr<std::FILE, FileCloser> pFile(std::fopen(strPath.c_str(), "wb"));
    if (!pFile) {
        throw std::runtime_error("cannot create " + strPath);
    }
    constexpr std::size_t kBlock = 1 << 20;
    CTaskFileGenerator generator(nSeed);
    std::string strBlock;
    std::size_t nTotal = 0;
    for (std::size_t i = 0; i < nTasks; ++i) {
        AppendRecord(strBlock, generator.Next());
        if (strBlock.size() >= kBlock || i + 1 == nTasks) {
            if (std::fwrite(strBlock.data(), 1, strBlock.size(), pFile.get()) != strBlock.size()) {
                throw std::runtime_error("cannot write " + strPath);
            }
            nTotal += strBlock.size();
            strBlock.clear();
        }
    }
    if (std::fclose(pFile.release()) != 0) {
        throw std::runtime_error("cannot write " + strPath);
    }
    return nTotal;
}
