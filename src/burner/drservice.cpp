#include "burner/drservice.h"

DRService::~DRService() = default;
