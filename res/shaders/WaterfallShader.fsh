// Waterfall and heat-map shading: a small cross-shaped blur over neighbouring texels smooths the
// blocky grid into a continuous density, tinted by the sprite's colour and opacity.
// textureSize is the texture's size in pixels (for one-texel steps).
varying lowp vec4 v_fragmentColor;
varying mediump vec2 v_texCoord;

uniform vec2 textureSize;

void main()
{
    vec2 texel = 1.0 / max(textureSize, vec2(1.0, 1.0));
    vec4 centre = texture2D(CC_Texture0, v_texCoord);
    vec4 around = texture2D(CC_Texture0, v_texCoord + vec2(texel.x, 0.0))
                + texture2D(CC_Texture0, v_texCoord - vec2(texel.x, 0.0))
                + texture2D(CC_Texture0, v_texCoord + vec2(0.0, texel.y))
                + texture2D(CC_Texture0, v_texCoord - vec2(0.0, texel.y));
    gl_FragColor = v_fragmentColor * (centre * 0.5 + around * 0.125);
}
