@_exported import Foundation
@_exported import FoundationStandIn
