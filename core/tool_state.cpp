#include "core/tool_state.h"

namespace jollix {

BrushRoutine routeAtPress(StretchShapeCode stretchShape, ToolKindCode toolKind) {
    switch (stretchShape) {
        case StretchShapeCode::Spherical:
            switch (toolKind) {
                case ToolKindCode::Expand: return BrushRoutine::SphericalExpand;
                case ToolKindCode::Shrink: return BrushRoutine::SphericalShrink;
                case ToolKindCode::Dextrorotary: return BrushRoutine::Dextrorotary;
                case ToolKindCode::Levorotary: return BrushRoutine::Levorotary;
                default: return BrushRoutine::Nothing;
            }
        case StretchShapeCode::Vertical:
            if (toolKind == ToolKindCode::Expand) return BrushRoutine::VerticalExpand;
            if (toolKind == ToolKindCode::Shrink) return BrushRoutine::VerticalShrink;
            return BrushRoutine::Nothing;
        case StretchShapeCode::Horizontal:
            if (toolKind == ToolKindCode::Expand) return BrushRoutine::HorizontalExpand;
            if (toolKind == ToolKindCode::Shrink) return BrushRoutine::HorizontalShrink;
            return BrushRoutine::Nothing;
        default: return BrushRoutine::Nothing;
    }
}

}  // namespace jollix
