#include "common/errors.h"

namespace kairon {

CommandError::CommandError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}

}  // namespace kairon
