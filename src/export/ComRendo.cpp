#include "export/ComRendo.h"

TZaimuDataLoad::TZaimuDataLoad() = default;

TZaimuDataLoad::~TZaimuDataLoad() = default;
