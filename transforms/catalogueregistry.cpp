#include "transforms/catalogue.h"

// One line per implemented transform type, with its include above:
//     #include "transforms/transformcase.h"
//     catalogue.add(new TransformCase);
// A type is registered only once it does its job.

void registerTransformTypes(Catalogue& catalogue)
{
    Q_UNUSED(catalogue)
}
