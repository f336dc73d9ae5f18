#include "installer/question_text.h"

namespace {
// The 8-bit argument the question's "%S" shows: the runtime's bitness.
constexpr WideChar kBitness[] = KW("64");

WideString withBitness(const WideString& question)
{
    WideString out;
    for (size_t i = 0; i < question.size(); ++i) {
        if (question[i] == '%' && i + 1 < question.size() && question[i + 1] == 'S') {
            out += kBitness;
            ++i;
        } else {
            out += question[i];
        }
    }
    return out;
}
} // namespace

WideString buildQuestionText(const WideString& question, const char* minVersion, const char* maxVersion,
                             const WideString& minLabel, const WideString& maxLabel)
{
    WideString text = withBitness(question);
    bool open = false;
    if (minVersion[0] != '\0') {
        text += KW(" (") + minLabel + KW(" ") + wideFromLatin1(minVersion);
        open = true;
    }
    if (maxVersion[0] != '\0') {
        text += open ? KW(", ") : KW(" (");
        text += maxLabel + KW(" ") + wideFromLatin1(maxVersion);
        open = true;
    }
    if (open)
        text += KW(")");
    return text;
}
