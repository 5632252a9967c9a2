// Materials: friction, restitution, combine modes and the tyre flag.
#include "KexBridge.h"

#include <algorithm>

using namespace kex;

extern "C" KEXPHYSICS_API KexMaterialHandle CreateKexMaterial(const KexMaterialProperties* p)
{
    TBridge* b = Bridge();
    if (!b || !p)
        return nullptr;
    auto material = std::make_shared<TMaterial>();
    material->Props = *p;
    material->Index = b->NextMaterialIndex++;
    b->Materials.push_back(material);
    return reinterpret_cast<KexMaterialHandle>(material.get());
}

extern "C" KEXPHYSICS_API bool ModifyKexMaterial(KexMaterialHandle handle,
                                                 const KexMaterialProperties* p)
{
    TBridge* b = Bridge();
    if (!b || !handle || !p)
        return false;
    TMaterial* m = b->FindMaterial(handle);
    if (!m)
        return false;
    m->Props.DynamicFriction = p->DynamicFriction;
    m->Props.StaticFriction = p->StaticFriction;
    m->Props.Restitution = p->Restitution;
    m->Props.RestitutionCombine = p->RestitutionCombine;
    m->Props.FrictionCombine = p->FrictionCombine;
    return true;
}

extern "C" KEXPHYSICS_API bool RemoveKexMaterial(KexMaterialHandle handle)
{
    TBridge* b = Bridge();
    if (!b || !handle)
        return false;
    auto it = std::find_if(b->Materials.begin(), b->Materials.end(),
                           [handle](const std::shared_ptr<TMaterial>& m)
                           { return m.get() == static_cast<const void*>(handle); });
    if (it == b->Materials.end())
        return false;
    // Shapes that use the material keep their share of it until they go.
    b->Materials.erase(it);
    return true;
}
