#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The text targets a clipboard manager keeps, best first; STRING is
// Latin-1, the others UTF-8.
const QStringList &handoverTextTargets();

// Which one target of a program's offer is kept: the best text target when
// it offers text, else the best picture type Pictarro reads (PNG first, as
// OfferedPicture::types() orders them), else none (empty).
QString handoverTarget(const QStringList &targets);

} // namespace platform
