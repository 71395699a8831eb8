#pragma once
// The question asked before a winner is recorded absent, wherever the operator points at them: the handset
// (Delete, R, the photo's menu) or the operator's panel.
#include <QString>

namespace ld {

class DrawSession;
struct DrawResult;

QString absenceQuestion(const DrawResult& winner);
// Asks; on yes records the absence, a failure going to the default error handler. True once recorded.
bool askAbsent(DrawSession& session, const DrawResult& winner);

}  // namespace ld
