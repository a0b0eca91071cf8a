#include "export/DataMakerBase.h"

TZaimuDataLoad::TZaimuDataLoad() = default;

TZaimuDataLoad::~TZaimuDataLoad() = default;
