// The library's factory of objects from their property-list forms.

#include "model/library.h"

#include "platform/objectstore/managed_object_context.h"

Result<TDLibraryObject*> TDLibrary::createEntityNamed(const QString& entityName,
                                                      const QVariantMap& dictionary) {
    auto* object = managedObjectContext()->insertObject<TDLibraryObject>(entityName);
    if (!object)
        return TDError::make(TDDictionaryRepresentationErrorMalformed,
                             QStringLiteral("There is no library entity named \"%1\".").arg(entityName));
    if (const Status read = object->updateFromPropertyListRepresentation(dictionary); !read) {
        object->deleteObject();
        return read.error();
    }
    return object;
}
