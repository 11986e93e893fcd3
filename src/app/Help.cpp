#include "app/Help.h"

namespace nimbora {

void show_help(QWidget*, std::string_view) {}

}  // namespace nimbora
