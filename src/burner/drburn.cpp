#include "burner/drburn.h"

DRBurn::DRBurn()
    : m_properties(std::make_shared<CFDictionary>())
{
}

DRBurn::~DRBurn() = default;

void DRBurn::SetProperties(const CFDictionaryRef& properties)
{
    m_properties = properties ? properties->copy() : std::make_shared<CFDictionary>();
}
