#include "corvane/framework/Kelvra.Categories.TessalyBasic.h"

#include "corvane/framework/ModuleResources.h"

namespace corvane {

void StartKelvraCategoriesTessalyBasic() {
  kelvra::TCategoryRegistry::RegisterCategories(kToolbarCategories);
  kelvra::TCategoryRegistry::AddImageSource(&FindModuleResource);
}

void FinishKelvraCategoriesTessalyBasic() {
  kelvra::TCategoryRegistry::RemoveImageSource(&FindModuleResource);
  kelvra::TCategoryRegistry::UnregisterCategories(kToolbarCategories);
}

}  // namespace corvane
