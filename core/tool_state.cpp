#include "core/tool_state.h"

namespace jollix {

BrushRoutine routeAtPress(StretchShapeCode stretchShape, ToolKindCode toolKind) {
    switch (stretchShape) {
    case kShapeSpherical:
        switch (toolKind) {
        case kToolExpand: return BrushRoutine::SphericalExpand;
        case kToolShrink: return BrushRoutine::SphericalShrink;
        case kToolDextro: return BrushRoutine::Dextrorotary;
        case kToolLevo: return BrushRoutine::Levorotary;
        default: return BrushRoutine::Nothing;
        }
    case kShapeVertical:
        if (toolKind == kToolExpand) return BrushRoutine::VerticalExpand;
        if (toolKind == kToolShrink) return BrushRoutine::VerticalShrink;
        return BrushRoutine::Nothing;
    case kShapeHorizontal:
        if (toolKind == kToolExpand) return BrushRoutine::HorizontalExpand;
        if (toolKind == kToolShrink) return BrushRoutine::HorizontalShrink;
        return BrushRoutine::Nothing;
    default:
        return BrushRoutine::Nothing;
    }
}

} // namespace jollix
